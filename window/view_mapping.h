// The window's view of the one mapping between twips and device pixels (ScreenMapping, shared
// with the page): the same rule, in the toolkit's rectangles.
#pragma once

#include <QtCore/QRect>
#include <QtCore/QRectF>

#include "session/screen_mapping.h"

namespace fenwing::qt {

class ViewMapping {
  public:
    // The client area at its natural size (a layout pixel a device pixel) from the origin.
    ViewMapping() = default;
    // Fits the client area, `width` x `height` twips, into `space` (device pixels), as large as
    // it goes and centred (see ScreenMapping).
    ViewMapping(const QRectF& space, float width, float height)
        : rule_(space.left(), space.top(), space.width(), space.height(), width, height) {}

    double scale() const { return rule_.scale(); }  // device pixels to a layout pixel
    QPoint origin() const { return {rule_.originX(), rule_.originY()}; }

    // The twips of the centre of device column `c` and device row `r`.
    float twipsX(int c) const { return rule_.twipsX(c); }
    float twipsY(int r) const { return rule_.twipsY(r); }
    // The device pixel that contains a point in device coordinates.
    static int pixelAt(double device) { return ScreenMapping::pixelAt(device); }

    // The device pixels that show `r`: those whose centres lie inside it.
    QRect pixels(const Rect& r) const {
        const PixelRect p = rule_.pixels(r);
        return {p.x, p.y, p.width, p.height};
    }

  private:
    ScreenMapping rule_;
};

}  // namespace fenwing::qt
