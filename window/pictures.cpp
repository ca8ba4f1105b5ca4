#include "window/pictures.h"

#include <QtCore/QResource>
#include <cstdint>
#include <cstring>

#include "playfield/layout.h"
#include "window/picture_prep.h"
#include "window/resources.h"

namespace fenwing::qt {

namespace {

// The baked picture, if there is one of that size: its pixels stay where they are embedded.
QImage baked(const std::string& name, QSize size) {
    const QResource res(QStringLiteral(":/baked/%1.raw").arg(QString::fromStdString(name)));
    const uchar* data = res.data();
    if (!res.isValid() || res.compressionAlgorithm() != QResource::NoCompression ||
        res.size() < kBakedHeaderBytes || std::memcmp(data, kBakedMagic, 4) != 0 ||
        reinterpret_cast<std::uintptr_t>(data) % 4)
        return {};
    std::int32_t header[3];
    std::memcpy(header, data + 4, sizeof header);
    const QSize at(header[0], header[1]);
    if (at != size || res.size() != kBakedHeaderBytes + qint64(at.width()) * at.height() * 4)
        return {};
    return QImage(data + kBakedHeaderBytes, at.width(), at.height(), at.width() * 4,
                  QImage::Format(header[2]));
}

QImage decoded(const std::string& name, QSize size) {
    for (const PictureLayout& p : pictureLayout())
        if (p.name == name)
            return prepare(
                QImage(QStringLiteral(":/assets/") +
                       QString::fromUtf8(p.resource.data(), qsizetype(p.resource.size()))),
                size);
    return {};
}

}  // namespace

PictureBox::PictureBox() { fenwingInitResources(); }

const QImage& PictureBox::image(const Picture* picture, QSize natural, QSize size) {
    if (!picture) return empty_;
    if (size == natural) return this->natural(picture, natural);
    const std::pair key{Key{picture, {natural.width(), natural.height()}},
                        std::pair{size.width(), size.height()}};
    auto it = scaled_.find(key);
    if (it == scaled_.end())
        it = scaled_.emplace(key, scaleShown(this->natural(picture, natural), size)).first;
    return it->second;
}

const QImage& PictureBox::natural(const Picture* picture, QSize size) {
    const Key key{picture, {size.width(), size.height()}};
    auto it = images_.find(key);
    if (it == images_.end()) {
        QImage image = baked(picture->name, size);
        if (image.isNull()) image = decoded(picture->name, size);
        it = images_.emplace(key, std::move(image)).first;
    }
    return it->second;
}

}  // namespace fenwing::qt
