#include "window/picture_prep.h"

#include <algorithm>

#include "playfield/layout.h"
#include "window/look.h"

namespace fenwing::qt {

QImage prepare(QImage image, QSize size) {
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                            : QImage::Format_RGB32);
    if (image.isNull() || image.size() == size) return image;
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage scaleShown(const QImage& natural, QSize size) {
    if (natural.isNull() || natural.size() == size || size.isEmpty()) return natural;
    const auto multiple = [](int to, int from) { return std::max(1, (to + from - 1) / from); };
    const QSize blocks(natural.width() * multiple(size.width(), natural.width()),
                       natural.height() * multiple(size.height(), natural.height()));
    QImage out = natural.scaled(blocks, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (blocks != size) out = out.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return out;
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
