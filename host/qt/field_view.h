// The window's client area: draws the form's controls and turns mouse presses into clicks.
#pragma once

#include <QtWidgets/QWidget>
#include <functional>
#include <string>
#include <unordered_map>

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
};

}  // namespace fenwing::qt
