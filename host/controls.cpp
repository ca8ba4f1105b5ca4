#include "host/controls.h"

#include "host/form.h"

namespace fenwing {

void VisualControl::invalidate() {
    if (visible_) form_.invalidate(rect_);
}

void VisualControl::setVisible(bool v) {
    if (v == visible_) return;
    invalidate();
    visible_ = v;
    invalidate();
}

void VisualControl::move(const Rect& to) {
    if (to == rect_) return;
    invalidate();
    rect_ = to;
    invalidate();
}

void Image::setPicture(const Picture* picture) {
    if (picture == picture_) return;
    picture_ = picture;
    if (!stretch_ && picture)
        move(
            {Left(), Top(), picture->widthPx * kTwipsPerPixel, picture->heightPx * kTwipsPerPixel});
    invalidate();
}

void Label::setCaption(std::string text) {
    if (text == caption_) return;
    caption_ = std::move(text);
    invalidate();
}

void Timer::setEnabled(bool on) {
    enabled_ = on;
    form_.scheduler().setEnabled(slot_, on);
}

void Timer::setInterval(int ms) {
    interval_ = ms;
    form_.scheduler().setInterval(slot_, ms);
}

}  // namespace fenwing
