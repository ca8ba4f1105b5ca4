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

namespace {
Play makePlay(std::uint64_t seed, std::optional<std::vector<script::ScriptLine>>& replay,
              std::ostream& out) {
    if (replay) return Play(std::move(*replay), out);
    return Play(seed, out);
}
}  // namespace

WindowHost::WindowHost(std::uint64_t seed, std::optional<std::vector<script::ScriptLine>> replay,
                       Clock clock)
    : play_(makePlay(seed, replay, output_)), clock_(std::move(clock)) {
    trace_ = Trace::fromEnvironment();
    if (trace_) trace_->mark("host");  // the application is ready: the window is built next
    main_ = std::make_unique<MainWindow>(session().form(), play_.replay());
    main_->onInput = [this](const script::Command& command) {
        if (!play_.replay()) dispatch(&command);  // a replay plays its script alone
    };
    placement_ = std::make_unique<Placement>(*main_->window(), *main_->view());
    boxes_ = std::make_unique<BoxQueue>(session(), *main_->window());
    session().onCue = [this](Cue cue) {
        if (trace_) trace_->mark("cue:" + std::string(cueName(cue)));
        if (sound_) sound_->play(cue);
    };
    play_.onEnd = [this](const Play::End& end) { ended(end); };
    traceEvents();
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, [this] { dispatch(nullptr); });
    monotonic_.start();  // the scheduler's time 0 is the form's creation
    if (!play_.replay()) start();
}

WindowHost::~WindowHost() = default;

QMainWindow* WindowHost::window() const { return main_->window(); }
FieldView* WindowHost::view() const { return main_->view(); }

// For the benchmark: when the window has been built, the deliveries of one fastest timer that
// ticks from load to exit, the first paint, each Start and each box.
void WindowHost::traceEvents() {
    if (!trace_) return;
    trace_->mark("built");
    Form& form = session().form();
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
    session().onBox = [trace = trace_.get(), show = session().onBox](const Box& box) {
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

// A replay starts from the event loop, which a script that ends at once must end.
void WindowHost::start() {
    if (play_.replay())
        tick_.start(0);
    else
        arm(play_.next());
}

void WindowHost::dispatch(const script::Command* input) {
    const Micros now = elapsed();
    const std::optional<Micros> next = input ? play_.input(now, *input) : play_.wake(now);
    if (play_.ended()) return;
    view()->commit();
    arm(next);
}

void WindowHost::drive(const std::function<void()>& events) {
    play_.run(events);
    if (!play_.ended()) view()->commit();
}

// The next deadline is counted from the play's, so lateness does not add up.
void WindowHost::arm(std::optional<Micros> next) {
    if (!next) return tick_.stop();
    tick_.start(millisUntil(*next, elapsed()));
}

std::string WindowHost::finishSession() {
    play_.finish(elapsed());
    tick_.stop();
    return output_.str();
}

void WindowHost::ended(const Play::End& end) {
    tick_.stop();
    boxes_->stop();
    if (end.reason == Play::End::Reason::RuntimeError) {
        const GameSession& s = session();
        std::fprintf(stderr, "fenwing: run-time error %d: %s\n", s.errorNumber(),
                     s.error().c_str());
        QMessageBox::critical(window(), QString::fromStdString(s.form().caption()),
                              QString::fromStdString(end.text));
    }
    QCoreApplication::exit(end.status());
}

}  // namespace fenwing::qt
