#include "window/trace.h"

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
    for (const Mark& m : marks_)
        std::fprintf(f, "mark %s %.6f %.6f %.6f\n", m.what.c_str(), m.at, m.cpu, m.threadCpu);
    for (double at : ticks_) std::fprintf(f, "tick %.6f\n", at);
    for (const auto& [at, pixels] : paints_) std::fprintf(f, "painted %.6f %lld\n", at, pixels);
    std::fclose(f);
}

namespace {
double seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}
}  // namespace

double Trace::now() { return seconds(CLOCK_MONOTONIC); }

void Trace::mark(std::string what) {
    marks_.push_back({std::move(what), now(), seconds(CLOCK_PROCESS_CPUTIME_ID),
                      seconds(CLOCK_THREAD_CPUTIME_ID)});
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
