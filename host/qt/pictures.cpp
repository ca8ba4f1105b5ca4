#include "host/qt/pictures.h"

#include "host/qt/look.h"
#include "host/qt/resources.h"
#include "playfield/layout.h"

namespace fenwing::qt {

namespace {

QImage decode(std::string_view name, QSize size) {
    for (const PictureLayout& p : pictureLayout()) {
        if (p.name != name) continue;
        QImage image(QStringLiteral(":/assets/") +
                     QString::fromUtf8(p.resource.data(), qsizetype(p.resource.size())));
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB888);
        if (image.isNull() || image.size() == size) return image;
        return image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    return {};
}

// Every picture that an image of the layout shows, at the size it is shown.
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

}  // namespace

PictureBox::PictureBox() {
    fenwingInitResources();
    decoding_ = std::async(std::launch::async, [shown = shownInLayout()] {
        Decoded out;
        for (const auto& [name, size] : shown)
            out.emplace_back(Key{name, {size.width(), size.height()}}, decode(name, size));
        return out;
    });
}

PictureBox::~PictureBox() {
    if (decoding_.valid()) decoding_.wait();
}

const QImage& PictureBox::image(const Picture* picture, QSize size) {
    if (!picture) return empty_;
    if (decoding_.valid())
        for (auto& [key, image] : decoding_.get())
            if (!image.isNull()) images_.try_emplace(key, std::move(image));
    const Key key{picture->name, {size.width(), size.height()}};
    auto it = images_.find(key);
    if (it == images_.end()) it = images_.emplace(key, decode(picture->name, size)).first;
    return it->second;
}

}  // namespace fenwing::qt
