#include "host/qt/look.h"

#include <QtCore/QStringList>
#include <QtGui/QFontMetrics>
#include <cmath>

namespace fenwing::qt {

QRect toPixels(const Rect& r) {
    const auto px = [](float twips) {
        return static_cast<int>(std::lround(twips / kTwipsPerPixel));
    };
    return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

QFont labelFont(const Label& label) {
    const Font& f = label.font;
    QFont font;
    if (!f.face.empty()) {
        // Faces with the same metrics as the classic sans-serif ones come first.
        font.setFamilies({QString::fromStdString(f.face), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Arimo"), QStringLiteral("Arial"),
                          QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(static_cast<int>(std::lround(f.points * 96.0 / 72.0)));
    }
    font.setWeight(f.bold ? QFont::Bold : QFont::Normal);
    const int room = toPixels(label.rect()).width();
    const QString text = QString::fromStdString(label.Caption());
    while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

}  // namespace fenwing::qt
