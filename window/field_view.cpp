#include "window/field_view.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <cmath>

#include "playfield/layout.h"
#include "window/cover.h"

namespace fenwing::qt {

FieldView::FieldView(const Form& form, QWidget* parent) : QWidget(parent), form_(form) {
    const WindowLayout w = windowLayout();
    clientTwips_ = QSizeF(w.clientWidth, w.clientHeight);
    naturalSize_ = toPixels({0, 0, float(w.clientWidth), float(w.clientHeight)}).size();
    back_ = QColor::fromRgb(w.backColor);
    setMinimumSize(minimumSizeHint());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setAccessibleName(QString::fromStdString(form.caption()));
}

void FieldView::follow() {
    const qreal ratio = devicePixelRatio();
    const QRect place(mapTo(window(), QPoint()), size());
    if (ratio == ratio_ && place == placeInWindow_) return;
    const bool first = ratio_ == 0;
    ratio_ = ratio;
    placeInWindow_ = place;
    const QRectF space(QPointF(place.topLeft()) * ratio, QSizeF(place.size()) * ratio);
    const ViewMapping next(space, float(clientTwips_.width()), float(clientTwips_.height()));
    if (next.scale() != mapping_.scale()) {
        pictures_.dropScaled();
        labelLooks_.clear();
    }
    mapping_ = next;
    pending_.clear();
    if (!first) update();
}

const ViewMapping& FieldView::mapping() {
    follow();
    return mapping_;
}

QRect FieldView::toLogical(const QRect& device) const {
    // Outward, so that every device pixel of `device` is covered.
    const QPoint o = placeInWindow_.topLeft();
    const auto down = [&](int d) { return int(std::floor(d / ratio_)); };
    const auto up = [&](int d) { return int(std::ceil(d / ratio_)); };
    return QRect(QPoint(down(device.left()), down(device.top())),
                 QPoint(up(device.right() + 1) - 1, up(device.bottom() + 1) - 1))
        .translated(-o);
}

// Kept until commit(): the two places of a moving control overlap and make one rectangle to
// repaint rather than a region of three: less to paint, and less to send to the screen.
void FieldView::invalidate(const Rect& area) {
    follow();
    const QRect device = mapping_.pixels(area);
    if (device.isEmpty()) return;
    QRect r = toLogical(device);
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

// Everything is drawn in the window's device pixels, each control on exactly the pixels the
// mapping gives it. Only what lies in the region to repaint is drawn, one rectangle of it at a
// time, and of each control only what no opaque control in front of it hides: under a moving
// duck the field is drawn again only in the strip the duck has left. Then back to front: the
// background where no opaque control lies, and each control over it. Every drawing is cut to a
// plain rectangle, so the painter copies pixels straight; a region of many rectangles would
// make it share each fill out among helper threads and wait for them, several times a tick.
void FieldView::paintEvent(QPaintEvent* event) {
    follow();
    const QPoint o = placeInWindow_.topLeft();
    // At a ratio that is not whole, the toolkit rounds a logical rectangle to device pixels in
    // its own way: a pixel more on every side covers whatever it lets this widget draw.
    const int spare = ratio_ == std::floor(ratio_) ? 0 : 1;
    const auto toDevice = [&](const QRect& r) {
        return QRectF(QPointF(r.topLeft() + o) * ratio_, QSizeF(r.size()) * ratio_)
            .toAlignedRect()
            .adjusted(-spare, -spare, spare, spare);
    };
    const QRegion& region = event->region();
    const QRect bounds = toDevice(region.boundingRect());
    parts_.clear();
    for (const VisualControl* c : form_.stacking()) {  // front first
        if (!c->Visible()) continue;
        const QRect place = mapping_.pixels(c->rect());
        if (!bounds.intersects(place)) continue;
        const QImage* image = nullptr;
        if (c->type() == ControlType::Image)
            image = &pictures_.image(static_cast<const Image*>(c)->picture(),
                                     toPixels(c->rect()).size(), place.size());
        // A label fills its place; a picture without transparency fills its own.
        const bool opaque = !image || (!image->hasAlphaChannel() && image->size() == place.size());
        parts_.push_back({c, image, place, opaque, 0, 0});
    }
    QPainter p(this);
    // The painter's units become the window's device pixels: whatever the toolkit's own
    // transformation is, it is undone (at a ratio below 1 it leaves the painter unscaled).
    p.setWorldTransform(p.deviceTransform().inverted());
    for (const QRect& logical : region) {
        const QRect dirty = toDevice(logical);
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
            if (part->last == part->first) continue;
            if (!part->image) {
                p.setClipRect(dirty & part->place);
                paintLabel(p, *static_cast<const Label*>(part->control), part->place);
                p.setClipRect(dirty);
                continue;
            }
            for (std::size_t i = part->first; i < part->last; ++i)
                p.drawImage(shows_[i].topLeft(), *part->image,
                            shows_[i].translated(-part->place.topLeft()));
        }
        shows_.clear();
    }
}

void FieldView::paintLabel(QPainter& p, const Label& label, const QRect& place) {
    LabelLook& cached = labelLooks_[&label];
    if (cached.caption != label.Caption() || cached.size != place.size())
        cached = {label.Caption(), place.size(),
                  captionLook(label, label.Caption(), place, mapping_.scale())};
    p.fillRect(place, palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::ButtonText));
    drawCaption(p, cached.look, place, QString::fromStdString(label.Caption()));
}

// The shot goes off as the button goes down, and only the left button shoots. The toolkit
// hands a widget its position rounded to whole logical pixels, which at a fractional scale can
// be the neighbouring device pixel; the position in the window, as the window system gave it,
// is exact, and is taken whenever it is the same point.
void FieldView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !onClick) return;
    follow();
    QPointF inWindow = event->position() + QPointF(placeInWindow_.topLeft());
    if (const QPointF exact = event->scenePosition();
        std::abs(exact.x() - inWindow.x()) <= 1 && std::abs(exact.y() - inWindow.y()) <= 1)
        inWindow = exact;
    const int c = ViewMapping::pixelAt(inWindow.x() * ratio_);
    const int r = ViewMapping::pixelAt(inWindow.y() * ratio_);
    onClick(mapping_.twipsX(c), mapping_.twipsY(r));
}

}  // namespace fenwing::qt
