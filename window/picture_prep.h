// How a picture is made ready for the screen, by the window and by the build-time tool that
// bakes the pictures (bake_pictures.cpp) alike.
#pragma once

#include <QtGui/QImage>
#include <string>
#include <utility>
#include <vector>

namespace fenwing::qt {

// The picture in the pixel format the screen uses, which is quickest to draw, scaled to `size`
// without smoothing, which keeps pixel art crisp.
QImage prepare(QImage image, QSize size);

// A picture shown at its natural size, made ready for `size` on a scaled window. A whole
// multiple of the natural size is made of whole blocks of pixels, as crisp as the pixel art
// itself; any other size is first blown up in blocks to the next whole multiple and then
// smoothed down, which keeps the edges sharp without pixels of uneven widths.
QImage scaleShown(const QImage& natural, QSize size);

// Every picture that an image of the layout shows, by name, at the size it is shown.
std::vector<std::pair<std::string, QSize>> shownInLayout();

// Baked pictures: a header of four 32-bit words ("FWPX", width, height, QImage format), then
// the rows of pixels, four bytes each.
inline constexpr char kBakedMagic[4] = {'F', 'W', 'P', 'X'};
inline constexpr int kBakedHeaderBytes = 16;

}  // namespace fenwing::qt
