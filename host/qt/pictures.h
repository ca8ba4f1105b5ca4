// The embedded pictures, by the names the form uses, at the sizes they are shown: each decoded
// once and scaled once for each size (without smoothing, which keeps pixel art crisp), so that
// painting only copies pixels. Pictures without transparency are kept at three bytes a pixel
// rather than four: the field alone is most of the window's own memory. The sizes that the
// layout shows are decoded on another thread from the moment the box is made, while the
// window's other start-up work goes on.
#pragma once

#include <QtGui/QImage>
#include <future>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/picture.h"

namespace fenwing::qt {

class PictureBox {
  public:
    PictureBox();
    ~PictureBox();
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    // The picture at `size` pixels; an empty image for no picture.
    const QImage& image(const Picture* picture, QSize size);

  private:
    using Key = std::pair<std::string, std::pair<int, int>>;  // name, width and height
    using Decoded = std::vector<std::pair<Key, QImage>>;

    std::future<Decoded> decoding_;
    std::map<Key, QImage> images_;
    QImage empty_;
};

}  // namespace fenwing::qt
