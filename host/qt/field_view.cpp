#include "host/qt/field_view.h"

#include <QtGui/QFontMetrics>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>

#include "host/qt/cover.h"
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

// Kept until commit(): the two places of a moving control overlap and make one rectangle to
// repaint rather than a region of three: less to paint, and less to send to the screen.
void FieldView::invalidate(const Rect& area) {
    // One pixel more on every side covers the rounding of places that are not whole pixels.
    QRect r = toPixels(area).adjusted(-1, -1, 1, 1);
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->intersects(r)) {
            r |= *it;
            pending_.erase(it);
            it = pending_.begin();  // the bigger rectangle may now meet an earlier one
        } else {
            ++it;
        }
    }
    pending_.push_back(r);
}

void FieldView::commit() {
    for (const QRect& r : pending_) update(r);
    pending_.clear();
}

// Only what lies in the region to repaint is drawn, one rectangle of it at a time, and of each
// control only what no opaque control in front of it hides: under a moving duck the field is
// drawn again only in the strip the duck has left. Then back to front: the background where no
// opaque control lies, and each control over it. Every drawing is cut to a plain rectangle, so
// the painter copies pixels straight; a region of many rectangles would make it share each fill
// out among helper threads and wait for them, several times a tick.
void FieldView::paintEvent(QPaintEvent* event) {
    const QRegion& region = event->region();
    const QRect bounds = region.boundingRect();
    parts_.clear();
    for (const VisualControl* c : form_.stacking()) {  // front first
        if (!c->Visible()) continue;
        const QRect place = toPixels(c->rect());
        if (!bounds.intersects(place) || !region.intersects(place)) continue;
        const QImage* image = nullptr;
        if (c->type() == ControlType::Image)
            image = &pictures_.image(static_cast<const Image*>(c)->picture(), place.size());
        // A label fills its place; a picture without transparency fills its own.
        const bool opaque = !image || (!image->hasAlphaChannel() && image->size() == place.size());
        parts_.push_back({c, image, place, opaque, 0, 0});
    }
    QPainter p(this);
    for (const QRect& dirty : region) {
        open_.assign(1, dirty);
        for (Part& part : parts_) {  // front to back
            part.first = shows_.size();
            for (const QRect& r : open_)
                if (const QRect s = r & part.place; !s.isEmpty()) shows_.push_back(s);
            part.last = shows_.size();
            if (part.opaque && part.last > part.first) cutOut(open_, part.place);
        }
        p.setClipRect(dirty);
        for (const QRect& r : open_) p.fillRect(r, back_);
        for (auto part = parts_.rbegin(); part != parts_.rend(); ++part) {  // back to front
            if (!part->image) {
                if (part->last > part->first)
                    paintLabel(p, *static_cast<const Label*>(part->control), part->place);
                continue;
            }
            for (std::size_t i = part->first; i < part->last; ++i)
                p.drawImage(shows_[i].topLeft(), *part->image,
                            shows_[i].translated(-part->place.topLeft()));
        }
        shows_.clear();
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
