// The pictures, by the names the form uses, at the sizes they are shown, ready to copy to the
// screen. Those the layout shows are baked at build time (bake_pictures.cpp) and drawn straight
// from the embedded resources; any other picture or size is decoded and scaled once, when first
// asked for.
#pragma once

#include <QtGui/QImage>
#include <map>
#include <utility>

#include "host/picture.h"

namespace fenwing::qt {

class PictureBox {
  public:
    PictureBox();

    // The picture at `size` pixels; an empty image for no picture.
    const QImage& image(const Picture* picture, QSize size);

  private:
    // The form's pictures live as long as the form, so a picture is known by its address.
    using Key = std::pair<const Picture*, std::pair<int, int>>;  // picture, width and height

    std::map<Key, QImage> images_;
    QImage empty_;
};

}  // namespace fenwing::qt
