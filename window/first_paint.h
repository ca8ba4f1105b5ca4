// Work that must not hold up the window's first frame, run once that frame is painted.
#pragma once

#include <functional>

class QWidget;

namespace fenwing::qt {

// Runs `then` on the widget's thread right after its first paint has finished.
void afterFirstPaint(QWidget* widget, std::function<void()> then);

}  // namespace fenwing::qt
