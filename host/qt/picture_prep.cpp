#include "host/qt/picture_prep.h"

#include "host/qt/look.h"
#include "playfield/layout.h"

namespace fenwing::qt {

QImage prepare(QImage image, QSize size) {
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
    if (image.isNull() || image.size() == size) return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

std::vector<std::pair<std::string, QSize>> shownInLayout() {
    std::vector<std::pair<std::string, QSize>> out;
    for (const ControlLayout& c : controlLayout()) {
        if (c.type != ControlType::Image) continue;
        QSize size = toPixels({0, 0, float(c.width), float(c.height)}).size();
        if (!c.stretch)
            for (const PictureLayout& p : pictureLayout())
                if (p.name == c.picture) size = {p.widthPx, p.heightPx};
        out.emplace_back(std::string(c.picture), size);
    }
    return out;
}

}  // namespace fenwing::qt
