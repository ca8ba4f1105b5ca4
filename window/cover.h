// Rectangle lists for painting only what shows: what is left of some rectangles once another
// is cut out of them. Plain rectangles, so that nothing is allocated on the way.
#pragma once

#include <QtCore/QRect>
#include <vector>

namespace fenwing::qt {

// Cuts `hole` out of every rectangle in `rects`; each leaves at most four pieces.
void cutOut(std::vector<QRect>& rects, const QRect& hole);

}  // namespace fenwing::qt
