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

// Only what lies in the region to repaint is drawn, one rectangle of it at a time: the
// background, then the controls that reach into it, back to front, so that the frontmost
// control is drawn last. Clipped to a plain rectangle the painter copies pixels straight; a
// region of many rectangles would make it share each fill out among helper threads and wait for
// them, several times a tick.
void FieldView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    for (const QRect& dirty : event->region()) {
        p.setClipRect(dirty);
        p.fillRect(dirty, back_);
        for (const VisualControl* c : form_.stacking() | std::views::reverse) {
            if (!c->Visible()) continue;
            const QRect r = toPixels(c->rect());
            if (!dirty.intersects(r)) continue;
            if (c->type() == ControlType::Image)
                p.drawImage(r.topLeft(),
                            pictures_.image(static_cast<const Image*>(c)->picture(), r.size()));
            else
                paintLabel(p, *static_cast<const Label*>(c), r);
        }
    }
}

void FieldView::paintLabel(QPainter& p, const Label& label, const QRect& r) {
    LabelLook& look = labelLooks_[&label];
    if (look.caption != label.Caption() || look.width != r.width()) {
        look.caption = label.Caption();
        look.width = r.width();
        look.font = labelFont(label);
        // Text starts at the top, as in any label; a line taller than its label is centred
        // instead, so that neither the capitals nor the descenders are cut off.
        const Qt::Alignment vertical =
            QFontMetrics(look.font).height() > r.height() ? Qt::AlignVCenter : Qt::AlignTop;
        look.align =
            (label.alignment == Alignment::Center ? Qt::AlignHCenter : Qt::AlignLeft) | vertical;
    }
    p.fillRect(r, palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::ButtonText));
    p.setFont(look.font);
    p.drawText(r, int(look.align), QString::fromStdString(look.caption));
}

void FieldView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !onClick) return;
    const QPointF at = event->position();
    onClick(static_cast<float>(at.x() * kTwipsPerPixel),
            static_cast<float>(at.y() * kTwipsPerPixel));
}

}  // namespace fenwing::qt
