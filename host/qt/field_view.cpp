#include "host/qt/field_view.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <ranges>

#include "playfield/layout.h"

namespace fenwing::qt {

FieldView::FieldView(const Form& form, QWidget* parent) : QWidget(parent), form_(form) {
    const WindowLayout w = windowLayout();
    clientSize_ = toPixels({0, 0, float(w.clientWidth), float(w.clientHeight)}).size();
    back_ = QColor::fromRgb(w.backColor);
    setMinimumSize(clientSize_);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setAccessibleName(QString::fromStdString(form.caption()));
}

void FieldView::invalidate(const Rect& area) {
    // One pixel more on every side covers the rounding of places that are not whole pixels.
    update(toPixels(area).adjusted(-1, -1, 1, 1));
}

void FieldView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect dirty = event->rect();
    p.fillRect(dirty, back_);
    // Back to front, so that the frontmost control is drawn last. Pixel art is scaled without
    // smoothing, which keeps it crisp at any scale.
    for (const VisualControl* c : form_.stacking() | std::views::reverse) {
        if (!c->Visible()) continue;
        const QRect r = toPixels(c->rect());
        if (!r.intersects(dirty)) continue;
        if (c->type() == ControlType::Image) {
            p.drawPixmap(r, pictures_.pixmap(static_cast<const Image*>(c)->picture()));
        } else {
            const auto* label = static_cast<const Label*>(c);
            p.fillRect(r, palette().color(QPalette::Button));
            p.setPen(palette().color(QPalette::ButtonText));
            const QFont font = labelFont(*label);
            p.setFont(font);
            // Text starts at the top, as in any label; a line taller than its label is centred
            // instead, so that neither the capitals nor the descenders are cut off.
            const Qt::Alignment vertical =
                QFontMetrics(font).height() > r.height() ? Qt::AlignVCenter : Qt::AlignTop;
            const Qt::Alignment align =
                label->alignment == Alignment::Center ? Qt::AlignHCenter : Qt::AlignLeft;
            p.drawText(r, int(align | vertical), QString::fromStdString(label->Caption()));
        }
    }
}

void FieldView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !onClick) return;
    const QPointF at = event->position();
    onClick(static_cast<float>(at.x() * kTwipsPerPixel), static_cast<float>(at.y() * kTwipsPerPixel));
}

}  // namespace fenwing::qt
