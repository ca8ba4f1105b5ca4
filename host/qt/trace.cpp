#include "host/qt/trace.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtGui/QPaintEvent>
#include <QtWidgets/QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace fenwing::qt {

std::unique_ptr<Trace> Trace::fromEnvironment() {
    const char* path = std::getenv("FENWING_TRACE");
    if (!path || !*path) return nullptr;
    return std::make_unique<Trace>(path);
}

Trace::Trace(std::string path) : path_(std::move(path)) {
    ticks_.reserve(1 << 16);
    paints_.reserve(1 << 16);
}

Trace::~Trace() {
    std::FILE* f = std::fopen(path_.c_str(), "w");
    if (!f) return;
    for (const auto& [what, at] : marks_) std::fprintf(f, "mark %s %.6f\n", what.c_str(), at);
    for (double at : ticks_) std::fprintf(f, "tick %.6f\n", at);
    for (const auto& [at, pixels] : paints_) std::fprintf(f, "painted %.6f %lld\n", at, pixels);
    std::fclose(f);
}

double Trace::now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void Trace::watchPaints(QWidget* view) { view->installEventFilter(this); }

// The first paint is let through at once (coming back here to be counted) and marked when it
// is done.
bool Trace::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint) return false;
    if (!painted_) {
        painted_ = true;
        QCoreApplication::sendEvent(watched, event);
        mark("paint");
        return true;
    }
    const qreal ratio = static_cast<QWidget*>(watched)->devicePixelRatio();
    long long pixels = 0;
    for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
        pixels += static_cast<long long>(r.width() * ratio * r.height() * ratio);
    paints_.emplace_back(now(), pixels);
    return false;
}

}  // namespace fenwing::qt
