#include "window/cover.h"

namespace fenwing::qt {

void cutOut(std::vector<QRect>& rects, const QRect& hole) {
    const std::size_t before = rects.size();
    for (std::size_t i = 0; i < before; ++i) {
        const QRect r = rects[i];
        const QRect h = r & hole;
        if (h.isEmpty()) continue;
        rects[i] = QRect();  // replaced by the pieces around the hole
        if (h.top() > r.top()) rects.emplace_back(r.left(), r.top(), r.width(), h.top() - r.top());
        if (h.bottom() < r.bottom())
            rects.emplace_back(QPoint(r.left(), h.bottom() + 1), r.bottomRight());
        if (h.left() > r.left())
            rects.emplace_back(QPoint(r.left(), h.top()), QPoint(h.left() - 1, h.bottom()));
        if (h.right() < r.right())
            rects.emplace_back(QPoint(h.right() + 1, h.top()), QPoint(r.right(), h.bottom()));
    }
    std::erase_if(rects, [](const QRect& r) { return r.isEmpty(); });
}

}  // namespace fenwing::qt
