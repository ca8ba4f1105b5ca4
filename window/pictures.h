// The pictures, by the names the form uses, at the sizes they are shown, ready to copy to the
// screen. Those the layout shows are baked at build time (bake_pictures.cpp) and drawn straight
// from the embedded resources; any other picture or natural size is decoded and scaled once,
// when first asked for. On a scaled window each picture is made from its natural size for the
// sizes it takes at that scale, and those are let go when the scale changes, so that resizing
// the window again and again keeps no more than one scale's pictures.
#pragma once

#include <QtGui/QImage>
#include <map>
#include <utility>

#include "host/picture.h"

namespace fenwing::qt {

class PictureBox {
  public:
    PictureBox();

    // The picture shown at `natural` layout pixels, at `size` device pixels; an empty image for
    // no picture.
    const QImage& image(const Picture* picture, QSize natural, QSize size);
    // Lets go of the pictures made for a scale.
    void dropScaled() { scaled_.clear(); }

  private:
    // The form's pictures live as long as the form, so a picture is known by its address.
    using Key = std::pair<const Picture*, std::pair<int, int>>;  // picture, width and height

    const QImage& natural(const Picture* picture, QSize size);

    std::map<Key, QImage> images_;                                  // at natural sizes
    std::map<std::pair<Key, std::pair<int, int>>, QImage> scaled_;  // and at a scale's sizes
    QImage empty_;
};

}  // namespace fenwing::qt
