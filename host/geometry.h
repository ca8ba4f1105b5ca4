// Places and sizes in twips, single precision, measured from the client area's top-left.
#pragma once

namespace fenwing {

inline constexpr float kTwipsPerPixel = 15.0f;

struct Rect {
    float left = 0, top = 0, width = 0, height = 0;

    // Half-open: a point on the right or bottom edge line lies outside.
    bool contains(float x, float y) const {
        return x >= left && x < left + width && y >= top && y < top + height;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace fenwing
