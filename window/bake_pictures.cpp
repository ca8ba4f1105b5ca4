// fenwing-bake-pictures: a build-time tool. Writes each named picture ready for the screen, at
// the size the layout shows it, as raw pixels that the window draws straight from its embedded
// resources: nothing to decode at start-up, and no picture decoder in memory.
//
//   fenwing-bake-pictures ASSET_DIR OUT_DIR NAME...   (writes OUT_DIR/NAME.raw)
#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <cstdint>
#include <cstdio>

#include "playfield/layout.h"
#include "window/picture_prep.h"

namespace {

bool bake(const QString& assets, const QString& out, const std::string& name) {
    QSize size;
    for (const auto& [shown, at] : fenwing::qt::shownInLayout())
        if (shown == name) size = at;
    QString file;
    for (const fenwing::PictureLayout& p : fenwing::pictureLayout())
        if (p.name == name)
            file = QString::fromUtf8(p.resource.data(), qsizetype(p.resource.size()));
    if (!size.isValid() || file.isEmpty()) {
        std::fprintf(stderr, "bake: the layout shows no picture named %s\n", name.c_str());
        return false;
    }
    const QImage image = fenwing::qt::prepare(QImage(assets + '/' + file), size);
    if (image.isNull() || image.depth() != 32) {
        std::fprintf(stderr, "bake: cannot read %s\n", qPrintable(assets + '/' + file));
        return false;
    }
    QFile raw(out + '/' + QString::fromStdString(name) + ".raw");
    if (!raw.open(QIODevice::WriteOnly)) return false;
    const std::int32_t header[] = {0, image.width(), image.height(), std::int32_t(image.format())};
    raw.write(fenwing::qt::kBakedMagic, 4);
    raw.write(reinterpret_cast<const char*>(header + 1), 12);
    for (int y = 0; y < image.height(); ++y)
        raw.write(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4);
    return raw.error() == QFileDevice::NoError;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // for the picture format plugins
    if (argc < 4) {
        std::fprintf(stderr, "usage: fenwing-bake-pictures ASSET_DIR OUT_DIR NAME...\n");
        return 2;
    }
    for (int i = 3; i < argc; ++i)
        if (!bake(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), argv[i]))
            return 1;
    return 0;
}
