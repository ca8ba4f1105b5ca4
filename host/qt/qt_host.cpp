#include "host/qt/qt_host.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QAction>
#include <QtGui/QIcon>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "host/qt/field_view.h"
#include "host/qt/first_paint.h"
#include "host/qt/sound_player.h"
#include "host/qt/trace.h"
#include "host/script/perform.h"
#include "playfield/layout.h"

namespace fenwing::qt {

namespace {
QKeySequence shortcutKey(const std::string& key) {
    return key == "Del" ? QKeySequence(Qt::Key_Delete) : QKeySequence(QString::fromStdString(key));
}
}  // namespace

QtHost::QtHost(std::uint64_t seed, bool replay, Clock clock)
    : random_(seed), clock_(std::move(clock)), replay_(replay), trace_(Trace::fromEnvironment()) {
    if (trace_) trace_->mark("host");  // the application is ready: the window is built next
    form_ = buildForm1();
    game_ = std::make_unique<Form1>(*form_, *this, random_);
    form_->deliver([this] { game_->Form_Load(); });  // before any other event
    buildWindow();
    traceEvents();
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, [this] { dispatch(nullptr); });
    monotonic_.start();  // the scheduler's time 0 is the form's creation
    if (!replay_) arm();
}

QtHost::~QtHost() {
    if (view_) form_->setRepaintSink(nullptr);
}

// For the benchmark: when the window has been built, the deliveries of one fastest timer that
// ticks from load to exit, the first paint, each Start and each box.
void QtHost::traceEvents() {
    if (!trace_) return;
    trace_->mark("built");
    Timer& mover = form_->timer("tmrAmmoMove");
    mover.onTimer = [trace = trace_.get(), handler = mover.onTimer] {
        trace->tick();
        handler();
    };
    MenuItem& start = form_->menuItem("mnufileStart");
    start.onClick = [trace = trace_.get(), handler = start.onClick] {
        trace->mark("start");
        handler();
    };
    trace_->watchPaints(view_);
}

void QtHost::buildWindow() {
    window_ = std::make_unique<QMainWindow>();
    window_->setWindowTitle(QString::fromStdString(form_->caption()) +
                            (replay_ ? QStringLiteral(" (replay)") : QString()));
    // The window's icon up to 64 pixels: the window manager asks for no more, and each size is
    // kept decoded for as long as the window lives (the two biggest would take a megabyte). A
    // launcher takes its bigger icon from the installed files.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/fenwing-%1.png").arg(size), QSize(size, size));
    window_->setWindowIcon(icon);
    view_ = new FieldView(*form_, window_.get());
    view_->onClick = [this](float x, float y) {
        script::Command click;
        click.verb = script::Verb::ClickAt;
        click.x = x;
        click.y = y;
        input(click);
    };
    form_->setRepaintSink(view_);
    window_->setCentralWidget(view_);
    for (const Menu& menu : form_->menus()) {
        QMenu* m = window_->menuBar()->addMenu(QString::fromStdString(menu.caption));
        for (MenuItem* item : menu.items) {
            QAction* action = m->addAction(QString::fromStdString(item->Caption()));
            action->setShortcut(shortcutKey(item->shortcut()));
            action->installEventFilter(this);
            connect(action, &QAction::triggered, this, [this, item] {
                script::Command choice;
                choice.verb =
                    std::exchange(byShortcut_, false) ? script::Verb::Key : script::Verb::Menu;
                choice.name = choice.verb == script::Verb::Key ? item->shortcut() : item->name();
                input(choice);
            });
        }
    }
    window_->adjustSize();
    window_->installEventFilter(this);
}

// The frame that the window manager puts around the window is known only once it has taken the
// window in: until then a frame as big as common ones is allowed for, and the window is placed
// again for the real one when it is first shown on the screen.
void QtHost::show() {
    frameGuess_ = QMargins(8, 40, 8, 8);
    place(frameGuess_);
    window_->winId();  // the native window, whose exposure tells that the frame is known
    window_->windowHandle()->installEventFilter(this);
    window_->show();
}

// The player loads and connects on a thread of its own, started once the first frame is shown.
void QtHost::enableSound() {
    sound_ = std::make_unique<SoundPlayer>();
    afterFirstPaint(view_, [this] {
        if (trace_) trace_->mark("sound");
        sound_->start();
    });
}

void QtHost::cue(Cue cue) {
    if (trace_) trace_->mark("cue:" + std::string(cueName(cue)));
    if (sound_) sound_->play(cue);
}

// Watches the menu actions, to tell a menu item chosen by its shortcut key from one chosen with
// the mouse; the window's activation, to hand the keyboard back to an open box; and the window's
// first exposure, once, to place it again for its real frame; a window that has been maximised
// meanwhile is left as it is.
bool QtHost::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Shortcut && qobject_cast<QAction*>(watched)) byShortcut_ = true;
    // While a box is open the window takes no input, yet a click on it, or the window manager,
    // may give it the keyboard: then the keys that close the box, and the shortcuts, would reach
    // nothing. The box takes it back, once the activation has been dealt with.
    if (event->type() == QEvent::WindowActivate && watched == window_.get() && openBox_)
        QTimer::singleShot(0, this, [this] { activateBox(); });
    if (event->type() == QEvent::Expose && watched == window_->windowHandle() &&
        window_->windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        const QMargins frame = window_->windowHandle()->frameMargins();
        if (frame != frameGuess_ && window_->windowState() == Qt::WindowNoState) place(frame);
    }
    return false;
}

void QtHost::place(const QMargins& frame) {
    const QRect free = window_->screen()->availableGeometry();
    const QSize natural = view_->sizeHint(), least = view_->minimumSize();
    const int menu = window_->menuBar()->sizeHint().height();
    const QSize room(free.width() - frame.left() - frame.right(),
                     free.height() - frame.top() - frame.bottom() - menu);
    const double scale = std::min(
        {1.0, double(room.width()) / natural.width(), double(room.height()) / natural.height()});
    const QSize client =
        QSize(int(natural.width() * scale), int(natural.height() * scale)).expandedTo(least);
    QRect framed(0, 0, client.width() + frame.left() + frame.right(),
                 client.height() + menu + frame.top() + frame.bottom());
    framed.moveCenter(free.center());
    // A window bigger than the screen still shows its title bar and menu bar.
    framed.moveTopLeft({std::max(framed.left(), free.left()), std::max(framed.top(), free.top())});
    window_->setGeometry(QRect(framed.topLeft() + QPoint(frame.left(), frame.top()),
                               QSize(client.width(), client.height() + menu)));
}

Micros QtHost::elapsed() const { return clock_ ? clock_() : monotonic_.nsecsElapsed() / 1000; }

// The game clock, as in every host: a recording reproduces each draw.
double QtHost::clockReading() { return form_->scheduler().seconds(); }

void QtHost::record(std::unique_ptr<script::Recorder> recorder) {
    recorder_ = std::move(recorder);
    recorder_->begin(random_.state());
}

void QtHost::input(const script::Command& command) {
    if (!replay_) dispatch(&command);  // a replay plays its script alone
}

void QtHost::dispatch(const script::Command* input) {
    drive([&] {
        const Micros now = elapsed();
        const Scheduler& scheduler = form_->scheduler();
        if (auto due = scheduler.nextDue(); due && now - *due > kMaxLateness) {
            if (recorder_) recorder_->stall(scheduler.now(), now);
            form_->catchUpTo(now);
        } else {
            form_->advanceTo(now);
        }
        if (input) {
            if (recorder_) recorder_->input(scheduler.now(), *input);
            script::perform(*input, *game_, random_, output_);
        }
        arm();
    });
}

void QtHost::drive(const std::function<void()>& events) {
    if (ended_) return;
    try {
        events();
        view_->commit();
    } catch (const EndProgram&) {
        if (recorder_) recorder_->ended();
        if (!replay_) script::printState(output_, *game_);
        output_ << "end\n";
        finish(0);
    } catch (const RuntimeError& e) {
        if (recorder_) recorder_->failed(form_->scheduler().now());
        const QString text =
            QStringLiteral("Run-time error '%1':\n\n%2").arg(e.number()).arg(e.what());
        std::fprintf(stderr, "fenwing: run-time error %d: %s\n", e.number(), e.what());
        ended_ = true;
        tick_.stop();
        QMessageBox::critical(window_.get(), QString::fromStdString(form_->caption()), text);
        finish(1);
    }
}

void QtHost::arm() {
    const auto due = form_->scheduler().nextDue();
    if (!due) return tick_.stop();
    // The next deadline is counted from the scheduler's, so lateness does not add up.
    tick_.start(millisUntil(*due, elapsed()));
}

// The box opens and the handler returns at once; ticks go on while it is open. A second box
// asked for meanwhile waits for the first to close.
void QtHost::MsgBox(const std::string& prompt, int, const std::string& title) {
    if (trace_) trace_->mark("box:" + title);
    script::printBox(output_, title, prompt);
    boxes_.push_back({QString::fromStdString(prompt), QString::fromStdString(title)});
    if (!openBox_) QTimer::singleShot(0, this, [this] { showNextBox(); });
}

void QtHost::showNextBox() {
    if (openBox_ || boxes_.empty() || ended_) return;
    const Box box = boxes_.front();
    boxes_.pop_front();
    auto* m =
        new QMessageBox(QMessageBox::NoIcon, box.title, box.prompt, QMessageBox::Ok, window_.get());
    m->setAttribute(Qt::WA_DeleteOnClose);
    // The prompts are plain text: shown as such, without the rich-text machinery.
    m->setTextFormat(Qt::PlainText);
    m->setTextInteractionFlags(Qt::NoTextInteraction);
    m->setWindowModality(Qt::ApplicationModal);
    connect(m, &QMessageBox::finished, this,
            [this] { QTimer::singleShot(0, this, [this] { showNextBox(); }); });
    openBox_ = m;
    m->open();
    // Also when it opens at a click, which the window manager may take as a sign to leave the
    // keyboard with the window.
    activateBox();
}

void QtHost::activateBox() {
    QMessageBox* box = openBox_;
    if (!box || !box->isVisible() || box->isActiveWindow()) return;
    box->raise();
    box->activateWindow();
}

void QtHost::closeBoxes() {
    boxes_.clear();
    if (QMessageBox* box = openBox_) {
        openBox_ = nullptr;
        box->close();
    }
}

void QtHost::endReplay() { finish(0); }

void QtHost::finishSession() {
    if (ended_) return;
    if (!replay_) dispatch(nullptr);  // the ticks due until the window closed
    if (ended_) return;               // one of them raised a run-time error
    if (recorder_) recorder_->finish(form_->scheduler().now());
    script::printState(output_, *game_);
    ended_ = true;
    tick_.stop();
}

void QtHost::finish(int status) {
    ended_ = true;
    tick_.stop();
    QCoreApplication::exit(status);
}

}  // namespace fenwing::qt
