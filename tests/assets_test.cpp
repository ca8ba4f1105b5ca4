// The embedded pictures and the icon files: format, pixel size, a single frame, and GIFs that
// have no transparent colour (the game shows their white background as it is).
#include <gtest/gtest.h>

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QString>
#include <QtGui/QImage>
#include <QtGui/QImageReader>

#include <ostream>

#include "window/picture_prep.h"
#include "window/resources.h"

QT_BEGIN_NAMESPACE
// Sizes read as "87 x 60" in failure messages.
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << " x " << s.height(); }
QT_END_NAMESPACE

namespace fenwing {
namespace {

struct Expected {
    const char* path;
    const char* format;
    int width;
    int height;
};

constexpr Expected kPictures[] = {
    {":/assets/field.jpg", "jpeg", 720, 720},   {":/assets/duck-right.jpg", "jpeg", 87, 60},
    {":/assets/duck-left.jpg", "jpeg", 87, 60}, {":/assets/duck-dead.gif", "gif", 87, 60},
    {":/assets/ammo.gif", "gif", 112, 117},     {":/assets/clock.gif", "gif", 78, 78},
};

// What the bytes of a GIF say: how many images it holds and whether any Graphic Control
// Extension marks a transparent colour. complete is false if the blocks do not add up.
struct GifBlocks {
    int images = 0;
    bool transparent = false;
    bool complete = false;
};

GifBlocks scanGif(const QByteArray& bytes) {
    GifBlocks out;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    auto colourTable = [](unsigned char packed) {
        return (packed & 0x80) ? 3 << ((packed & 7) + 1) : 0;
    };
    auto skipSubBlocks = [&](qsizetype at) {
        while (at < n && b[at] != 0) at += b[at] + 1;
        return at + 1;
    };
    if (n < 13 || !bytes.startsWith("GIF8")) return out;
    qsizetype at = 13 + colourTable(b[10]);
    while (at < n) {
        if (b[at] == 0x3B) {  // trailer
            out.complete = true;
            break;
        }
        if (b[at] == 0x21 && at + 1 < n) {  // extension
            if (b[at + 1] == 0xF9 && at + 3 < n && (b[at + 3] & 1)) out.transparent = true;
            at = skipSubBlocks(at + 2);
        } else if (b[at] == 0x2C && at + 10 < n) {  // image: descriptor, colours, LZW data
            ++out.images;
            at = skipSubBlocks(at + 10 + colourTable(b[at + 9]) + 1);
        } else {
            break;
        }
    }
    return out;
}

class EmbeddedPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { fenwingInitResources(); }
};

TEST_F(EmbeddedPictures, FormatSizeAndOneFrameEach) {
    for (const Expected& e : kPictures) {
        SCOPED_TRACE(e.path);
        QImageReader reader(QString::fromLatin1(e.path));
        reader.setDecideFormatFromContent(true);
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.format().toStdString(), e.format);
        EXPECT_EQ(reader.size(), QSize(e.width, e.height));
        EXPECT_EQ(reader.imageCount(), 1);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.size(), QSize(e.width, e.height));
    }
}

TEST_F(EmbeddedPictures, GifsHaveNoTransparentColour) {
    for (const Expected& e : kPictures) {
        if (QByteArray(e.format) != "gif") continue;
        SCOPED_TRACE(e.path);
        QFile file(QString::fromLatin1(e.path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const GifBlocks blocks = scanGif(file.readAll());
        EXPECT_TRUE(blocks.complete);
        EXPECT_EQ(blocks.images, 1);
        EXPECT_FALSE(blocks.transparent);
        EXPECT_FALSE(QImage(QString::fromLatin1(e.path)).hasAlphaChannel());
    }
}

TEST_F(EmbeddedPictures, TheThreeDucksShareOneSize) {
    const QSize right = QImageReader(":/assets/duck-right.jpg").size();
    EXPECT_TRUE(right.isValid());
    EXPECT_EQ(QImageReader(":/assets/duck-left.jpg").size(), right);
    EXPECT_EQ(QImageReader(":/assets/duck-dead.gif").size(), right);
}

TEST(GifScan, FindsTransparencyAndCountsFrames) {
    // Two 1 x 1 frames, the second after a Graphic Control Extension with a transparent index.
    // clang-format off
    const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,  // screen, 2 colours
        0, 0, 0, 255, 255, 255,                                // colour table
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0,  // frame 1
        0x21, 0xF9, 4, 0x01, 0, 0, 0, 0,                       // transparent index 0
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0,  // frame 2
        0x3B};
    // clang-format on
    const GifBlocks blocks =
        scanGif(QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes));
    EXPECT_TRUE(blocks.complete);
    EXPECT_EQ(blocks.images, 2);
    EXPECT_TRUE(blocks.transparent);
}

TEST(IconFiles, EachIsASquarePngOfTheSizeInItsName) {
    for (int size : {16, 24, 32, 48, 64, 128, 192, 256, 512}) {
        const QString path =
            QStringLiteral(FENWING_SOURCE_DIR "/assets/icons/fenwing-%1.png").arg(size);
        SCOPED_TRACE(path.toStdString());
        QImageReader reader(path);
        ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
        EXPECT_EQ(reader.format().toStdString(), "png");
        EXPECT_EQ(reader.size(), QSize(size, size));
        EXPECT_FALSE(reader.read().isNull());
    }
}

// Between two whole multiples of its size a picture is blown up in blocks past the size it is
// shown at and then smoothed down to it: where its edges fall on whole pixels of that size,
// every pixel is one of its own colours, as crisp as at a whole multiple.
TEST(ShownPictures, BetweenWholeMultiplesTheEdgesStaySharp) {
    QImage natural(8, 8, QImage::Format_RGB32);  // four squares of 4 x 4, black and white
    const auto square = [](int x, int y, int half) {
        return (x < half) != (y < half) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    };
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) natural.setPixel(x, y, square(x, y, 4));
    for (int size : {10, 12, 14, 20}) {  // 1.25, 1.5, 1.75 and 2.5 times
        SCOPED_TRACE(size);
        const QImage shown = qt::scaleShown(natural, QSize(size, size));
        ASSERT_EQ(shown.size(), QSize(size, size));
        int blurred = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) blurred += shown.pixel(x, y) != square(x, y, size / 2);
        EXPECT_EQ(blurred, 0);
    }
}

}  // namespace
}  // namespace fenwing
