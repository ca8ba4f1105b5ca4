// The window's client area: draws the form's controls, uniformly scaled to fit and centred, and
// turns presses of the left button into clicks. Drawing and clicks share one mapping between
// twips and device pixels (view_mapping.h).
#pragma once

#include <QtWidgets/QWidget>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/form.h"
#include "window/look.h"
#include "window/pictures.h"
#include "window/view_mapping.h"

namespace fenwing::qt {

class FieldView : public QWidget, public RepaintSink {
  public:
    FieldView(const Form& form, QWidget* parent = nullptr);

    // Called with the point in twips when the left button goes down.
    std::function<void(float x, float y)> onClick;

    void invalidate(const Rect& area) override;
    // Asks for every area invalidated since the last time to be repainted.
    void commit();
    QSize sizeHint() const override { return naturalSize_; }
    QSize minimumSizeHint() const override { return naturalSize_ / 2; }

    // The mapping in force, in the device pixels of the whole window: its top-left corner is
    // device pixel 0, 0.
    const ViewMapping& mapping();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    // Takes up the widget's place and scale, and starts again from there when they change.
    void follow();
    // The logical rectangle of this widget that covers `device`.
    QRect toLogical(const QRect& device) const;
    void paintLabel(QPainter& p, const Label& label, const QRect& place);

    const Form& form_;
    PictureBox pictures_;
    QSize naturalSize_;
    QSizeF clientTwips_;
    QColor back_;
    ViewMapping mapping_;
    // What the mapping was made for: the device pixel ratio, and this widget's place in the
    // window in logical pixels.
    qreal ratio_ = 0;
    QRect placeInWindow_;
    // Each label's look, found again only when its caption or its size changes.
    struct LabelLook {
        std::string caption;
        QSize size;
        CaptionLook look;
    };
    std::unordered_map<const Label*, LabelLook> labelLooks_;
    // The shown controls that a repaint reaches, front first, and what each shows of the
    // rectangle being drawn: shows_[first] to shows_[last - 1].
    struct Part {
        const VisualControl* control;
        const QImage* image;  // null for a label
        QRect place;
        bool opaque;
        std::size_t first, last;
    };
    std::vector<Part> parts_;
    std::vector<QRect> open_, shows_;
    std::vector<QRect> pending_;
};

}  // namespace fenwing::qt
