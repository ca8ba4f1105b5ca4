#include "window/window_host.h"

#include <QtCore/QCoreApplication>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMessageBox>
#include <cstdio>

#include "audio/sound_player.h"
#include "window/box_queue.h"
#include "window/field_view.h"
#include "window/first_paint.h"
#include "window/main_window.h"
#include "window/placement.h"
#include "window/trace.h"

namespace fenwing::qt {

WindowHost::WindowHost(std::uint64_t seed, bool replay, Clock clock)
    : session_(seed, output_), clock_(std::move(clock)), replay_(replay) {
    trace_ = Trace::fromEnvironment();
    if (trace_) trace_->mark("host");  // the application is ready: the window is built next
    if (!replay_) session_.playerAtControls();
    main_ = std::make_unique<MainWindow>(session_.form(), replay_);
    main_->onInput = [this](const script::Command& command) {
        if (!replay_) dispatch(&command);  // a replay plays its script alone
    };
    placement_ = std::make_unique<Placement>(*main_->window(), *main_->view());
    boxes_ = std::make_unique<BoxQueue>(session_, *main_->window());
    session_.onCue = [this](Cue cue) {
        if (trace_) trace_->mark("cue:" + std::string(cueName(cue)));
        if (sound_) sound_->play(cue);
    };
    traceEvents();
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, [this] { dispatch(nullptr); });
    monotonic_.start();  // the scheduler's time 0 is the form's creation
    if (!replay_) arm();
}

WindowHost::~WindowHost() = default;

QMainWindow* WindowHost::window() const { return main_->window(); }
FieldView* WindowHost::view() const { return main_->view(); }

// For the benchmark: when the window has been built, the deliveries of one fastest timer that
// ticks from load to exit, the first paint, each Start and each box.
void WindowHost::traceEvents() {
    if (!trace_) return;
    trace_->mark("built");
    Form& form = session_.form();
    Timer& mover = form.timer("tmrAmmoMove");
    mover.onTimer = [trace = trace_.get(), handler = mover.onTimer] {
        trace->tick();
        handler();
    };
    MenuItem& start = form.menuItem("mnufileStart");
    start.onClick = [trace = trace_.get(), handler = start.onClick] {
        trace->mark("start");
        handler();
    };
    session_.onBox = [trace = trace_.get(), show = session_.onBox](const Box& box) {
        trace->mark("box:" + box.title);
        show(box);
    };
    trace_->watchPaints(view());
}

void WindowHost::show() { placement_->show(); }

// The player loads and connects on a thread of its own, started once the first frame is shown.
void WindowHost::enableSound() {
    sound_ = std::make_unique<SoundPlayer>();
    afterFirstPaint(view(), [this] {
        if (trace_) trace_->mark("sound");
        sound_->start();
    });
}

Micros WindowHost::elapsed() const { return clock_ ? clock_() : monotonic_.nsecsElapsed() / 1000; }

void WindowHost::dispatch(const script::Command* input) {
    drive([&] {
        session_.wake(elapsed());
        if (input) session_.perform(*input);
        arm();
        return false;
    });
}

void WindowHost::drive(const std::function<bool()>& events) {
    if (ended_) return;
    bool done = false;
    switch (session_.run([&] { done = events(); })) {
        case GameSession::Status::Running:
            view()->commit();
            if (done) finish(0);
            return;
        case GameSession::Status::Ended:
            return finish(0);
        case GameSession::Status::RuntimeError: {
            const QString text = QStringLiteral("Run-time error '%1':\n\n%2")
                                     .arg(session_.errorNumber())
                                     .arg(QString::fromStdString(session_.error()));
            std::fprintf(stderr, "fenwing: run-time error %d: %s\n", session_.errorNumber(),
                         session_.error().c_str());
            ended_ = true;
            tick_.stop();
            boxes_->stop();
            QMessageBox::critical(window(), QString::fromStdString(session_.form().caption()),
                                  text);
            return finish(1);
        }
        case GameSession::Status::CheckFailed:
            return finish(1);  // the window runs no checks
    }
}

void WindowHost::arm() {
    const auto due = session_.form().scheduler().nextDue();
    if (!due) return tick_.stop();
    // The next deadline is counted from the scheduler's, so lateness does not add up.
    tick_.start(millisUntil(*due, elapsed()));
}

std::string WindowHost::finishSession() {
    if (!ended_ && !replay_) dispatch(nullptr);  // the ticks due until it closed
    if (!ended_) session_.finish();
    ended_ = true;
    tick_.stop();
    return output_.str();
}

void WindowHost::finish(int status) {
    ended_ = true;
    tick_.stop();
    boxes_->stop();
    QCoreApplication::exit(status);
}

}  // namespace fenwing::qt
