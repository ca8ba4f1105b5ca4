// Timing records for the benchmark, off unless asked for: with FENWING_TRACE=FILE in the
// environment a window notes when each tick of one fastest timer is delivered, when it first
// paints, how many device pixels each paint covers, and when marked moments happen (a game's
// start and end), and writes them to FILE as it closes. Times are CLOCK_MONOTONIC seconds, the
// clock the benchmark reads too; a marked moment also carries the CPU time used until then by
// all the process's threads and by the thread that marks it (the main thread: the path to the
// first frame).
#pragma once

#include <QtCore/QObject>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace fenwing::qt {

class Trace : public QObject {
  public:
    // Null when FENWING_TRACE is not set: then nothing is recorded and nothing costs.
    static std::unique_ptr<Trace> fromEnvironment();

    explicit Trace(std::string path);
    ~Trace() override;  // writes the file

    static double now();
    void tick() { ticks_.push_back(now()); }
    void mark(std::string what);
    // Marks "paint" once `view` has finished its first paint, and notes every paint's size.
    void watchPaints(QWidget* view);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::string path_;
    std::vector<double> ticks_;
    struct Mark {
        std::string what;
        double at, cpu, threadCpu;
    };
    std::vector<Mark> marks_;
    std::vector<std::pair<double, long long>> paints_;  // when, and how many device pixels
    bool painted_ = false;
};

}  // namespace fenwing::qt
