// How the form's controls look on screen: natural pixel sizes, and how a label writes its
// caption.
#pragma once

#include <QtCore/QRect>
#include <QtGui/QFont>

#include "host/controls.h"

class QPainter;

namespace fenwing::qt {

// Twips to layout pixels, rounded: the natural size of a control or picture.
QRect toPixels(const Rect& r);

// How a label writes its caption in its place on the screen.
struct CaptionLook {
    QFont font;
    Qt::Alignment align;
    int raise = 0;  // device pixels the text goes up from where the alignment puts it
};

// The look of `caption` in a label shown at `place` (device pixels) and `scale` device pixels
// to a layout pixel: the named face where it exists, otherwise a similar sans-serif face at the
// same size and weight, scaled. The text starts at the top of the label, as in any label, and
// goes up just as far as its descenders need; it is made smaller only if its ink would not lie
// inside the label otherwise.
CaptionLook captionLook(const Label& label, const std::string& caption, const QRect& place,
                        double scale);

// Writes `caption` as `look` says, in the painter's current pen, without cutting it to `place`.
void drawCaption(QPainter& p, const CaptionLook& look, const QRect& place, const QString& caption);

}  // namespace fenwing::qt
