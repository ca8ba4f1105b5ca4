#include "session/screen_mapping.h"

#include <algorithm>

namespace fenwing {

namespace {
// Further than any screen reaches: a control placed beyond it is drawn nowhere.
constexpr int kFar = 1 << 20;
// A scale this little above a whole one is taken as the whole one.
constexpr double kSnap = 0.02;
}  // namespace

ScreenMapping::ScreenMapping(double left, double top, double spaceWidth, double spaceHeight,
                             float width, float height) {
    const double naturalW = width / kTwipsPerPixel, naturalH = height / kTwipsPerPixel;
    double k = std::min(spaceWidth / naturalW, spaceHeight / naturalH);
    if (!(k > 0.05)) k = 0.05;
    if (const double whole = std::floor(k); whole >= 1 && k < whole * (1 + kSnap)) k = whole;
    scale_ = k;
    twipsPerPixel_ = static_cast<float>(kTwipsPerPixel / k);
    ox_ = static_cast<int>(std::lround(left + (spaceWidth - naturalW * k) / 2));
    oy_ = static_cast<int>(std::lround(top + (spaceHeight - naturalH * k) / 2));
}

int ScreenMapping::pixelAt(double device) {
    return static_cast<int>(std::clamp(std::floor(device + 1e-3), double(-kFar), double(kFar)));
}

// A first guess from the scale, then put right by the very computation that a click uses.
int ScreenMapping::firstFrom(float twips, int origin) const {
    const double guess = double(twips) / twipsPerPixel_ - 0.5 + origin;
    if (!(guess > -kFar)) return -kFar;  // NaN too: drawn nowhere
    if (guess > kFar) return kFar;
    int i = static_cast<int>(std::ceil(guess));
    while (centre(i, origin) < twips) ++i;
    while (centre(i - 1, origin) >= twips) --i;
    return i;
}

PixelRect ScreenMapping::pixels(const Rect& r) const {
    // The far edges as Rect::contains computes them: single-precision sums.
    const float right = r.left + r.width, bottom = r.top + r.height;
    const int c0 = firstFrom(r.left, ox_), c1 = firstFrom(right, ox_);
    const int r0 = firstFrom(r.top, oy_), r1 = firstFrom(bottom, oy_);
    return {c0, r0, std::max(0, c1 - c0), std::max(0, r1 - r0)};
}

}  // namespace fenwing
