// The window's client area: draws the form's controls and turns mouse presses into clicks.
#pragma once

#include <QtWidgets/QWidget>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/form.h"
#include "host/qt/look.h"
#include "host/qt/pictures.h"

namespace fenwing::qt {

class FieldView : public QWidget, public RepaintSink {
  public:
    FieldView(const Form& form, QWidget* parent = nullptr);

    // Called with the point in twips when the left button goes down.
    std::function<void(float x, float y)> onClick;

    void invalidate(const Rect& area) override;
    // Asks for every area invalidated since the last time to be repainted.
    void commit();
    QSize sizeHint() const override { return clientSize_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void paintLabel(QPainter& p, const Label& label, const QRect& r);

    const Form& form_;
    PictureBox pictures_;
    QSize clientSize_;
    QColor back_;
    // Each label's font, found again only when its caption or its width changes.
    struct LabelLook {
        std::string caption;
        int width = -1;
        QFont font;
        Qt::Alignment align;
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
