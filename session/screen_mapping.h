// The one mapping between the layout's twips and the screen's device pixels, for drawing and for
// clicks alike, in every host that shows the game. The client area is shown uniformly scaled and
// centred in a space of device pixels. A click on device pixel (c, r) reaches the point in twips
// of that pixel's centre, and a control is drawn on exactly the device pixels whose centres,
// mapped the same way, lie inside its half-open twip rectangle: so the frontmost shown control
// drawn on a pixel is the one a click there reaches, at every scale.
#pragma once

#include <cmath>

#include "host/geometry.h"

namespace fenwing {

// Whole device pixels: columns x to x + width - 1, rows y to y + height - 1.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

class ScreenMapping {
  public:
    // The client area at its natural size (a layout pixel a device pixel) from the origin.
    ScreenMapping() = default;
    // Fits the client area, `width` x `height` twips, into the space of device pixels from
    // (`left`, `top`), `spaceWidth` x `spaceHeight`, as large as it goes and centred; just above
    // a whole scale the whole scale is kept, so that the pictures stay crisp for a margin of a
    // few pixels.
    ScreenMapping(double left, double top, double spaceWidth, double spaceHeight, float width,
                  float height);

    double scale() const { return scale_; }  // device pixels to a layout pixel
    int originX() const { return ox_; }
    int originY() const { return oy_; }

    // The twips of the centre of device column `c` and device row `r`.
    float twipsX(int c) const { return centre(c, ox_); }
    float twipsY(int r) const { return centre(r, oy_); }
    // The device pixel that contains a point in device coordinates (a position in logical
    // pixels times the device pixel ratio); a whole number read back from the window system with
    // a rounding error counts as that number.
    static int pixelAt(double device);

    // The device pixels that show `r`: those whose centres lie inside it.
    PixelRect pixels(const Rect& r) const;

  private:
    // The twips of the centre of device pixel `i` along an axis whose client area starts at
    // device pixel `origin`: the same for columns and rows.
    float centre(int i, int origin) const { return (float(i - origin) + 0.5f) * twipsPerPixel_; }
    // The first column (or row) whose centre lies at or after `twips`.
    int firstFrom(float twips, int origin) const;

    double scale_ = 1;
    float twipsPerPixel_ = kTwipsPerPixel;
    int ox_ = 0, oy_ = 0;  // the client area's top-left corner, in device pixels
};

// The pixel size of a label's caption in a named face of `points` points, shown at `scale`
// device pixels to a layout pixel (96 layout pixels to the inch).
inline int captionPixelSize(double points, double scale) {
    return static_cast<int>(std::lround(points * 96.0 / 72.0 * scale));
}

}  // namespace fenwing
