#include "window/look.h"

#include <QtGui/QFontInfo>
#include <QtGui/QFontMetrics>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <cmath>

#include "session/screen_mapping.h"

namespace fenwing::qt {

QRect toPixels(const Rect& r) {
    const auto px = [](float twips) {
        return static_cast<int>(std::lround(twips / kTwipsPerPixel));
    };
    return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

namespace {

QFont labelFace(const Label& label, double scale) {
    const Font& f = label.font;
    QFont font;
    if (!f.face.empty()) {
        // Faces with the same metrics as the classic sans-serif ones come first.
        font.setFamilies({QString::fromStdString(f.face), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Arimo"), QStringLiteral("Arial"),
                          QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(captionPixelSize(f.points, scale));
    } else {
        font.setPixelSize(static_cast<int>(std::lround(QFontInfo(font).pixelSize() * scale)));
    }
    font.setWeight(f.bold ? QFont::Bold : QFont::Normal);
    return font;
}

// Where the caption's ink falls, relative to its place: drawn for real, on a sheet wide enough
// for any overhang, and every pixel it touched counted.
QRect inkOf(const CaptionLook& look, const QSize& size, const QString& caption) {
    const int padX = QFontMetrics(look.font).horizontalAdvance(caption) + look.font.pixelSize();
    const int padY = 2 * look.font.pixelSize();
    QImage sheet(size.width() + 2 * padX, size.height() + 2 * padY,
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        p.setPen(Qt::black);
        drawCaption(p, look, QRect(QPoint(padX, padY), size), caption);
    }
    int left = sheet.width(), right = -1, top = sheet.height(), bottom = -1;
    for (int y = 0; y < sheet.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
        for (int x = 0; x < sheet.width(); ++x) {
            if (row[x] == 0xffffffffu) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom)).translated(-padX, -padY);
}

}  // namespace

CaptionLook captionLook(const Label& label, const std::string& caption, const QRect& place,
                        double scale) {
    CaptionLook look{
        labelFace(label, scale),
        (label.alignment == Alignment::Center ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop,
        0};
    const QString text = QString::fromStdString(caption);
    const QSize size = place.size();
    for (;;) {
        const QRect ink = inkOf(look, size, text);
        if (ink.isEmpty()) return look;
        look.raise = std::max(0, ink.bottom() - (size.height() - 1));
        const bool fits =
            ink.left() >= 0 && ink.right() < size.width() && ink.top() - look.raise >= 0;
        if (fits || look.font.pixelSize() <= 4) return look;
        look.font.setPixelSize(look.font.pixelSize() - 1);
    }
}

void drawCaption(QPainter& p, const CaptionLook& look, const QRect& place, const QString& caption) {
    p.setFont(look.font);
    p.drawText(place.translated(0, -look.raise), int(look.align) | Qt::TextDontClip, caption);
}

}  // namespace fenwing::qt
