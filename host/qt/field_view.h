// The window's client area: draws the form's controls and turns mouse presses into clicks.
#pragma once

#include <QtWidgets/QWidget>
#include <functional>

#include "host/form.h"
#include "host/qt/look.h"

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
    const Form& form_;
    PictureBox pictures_;
    QSize clientSize_;
    QColor back_;
};

}  // namespace fenwing::qt
