// How the form's controls look on screen: fonts and pixel places.
#pragma once

#include <QtCore/QRect>
#include <QtGui/QFont>

#include "host/controls.h"

namespace fenwing::qt {

// Twips to pixels; only drawing rounds.
QRect toPixels(const Rect& r);

// The label's font: the named face where it exists, otherwise a similar sans-serif face at the
// same size and weight, made smaller only if the caption would not fit the label.
QFont labelFont(const Label& label);

}  // namespace fenwing::qt
