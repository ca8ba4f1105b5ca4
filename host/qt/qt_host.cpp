#include "host/qt/qt_host.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QRandomGenerator>
#include <QtGui/QAction>
#include <QtGui/QIcon>
#include <QtGui/QScreen>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QStyle>
#include <cstdio>

#include "host/qt/field_view.h"
#include "host/qt/trace.h"
#include "playfield/layout.h"

namespace fenwing::qt {

namespace {
// Ticks up to this late (the jitter of a busy desktop) are all delivered, so that the fastest
// timers keep 64 ticks a second. Beyond it (a suspended machine, a stalled desktop) each timer
// gets one late tick instead of a burst: the ducks pause rather than jump.
constexpr Micros kMaxBacklog = 100'000;

QKeySequence shortcutKey(const std::string& key) {
    return key == "Del" ? QKeySequence(Qt::Key_Delete) : QKeySequence(QString::fromStdString(key));
}
}  // namespace

QtHost::QtHost()
    : random_(QRandomGenerator::system()->generate64()), trace_(Trace::fromEnvironment()) {
    if (trace_) trace_->mark("host");  // the application is ready: the window is built next
    form_ = buildForm1();
    game_ = std::make_unique<Form1>(*form_, *this, random_);
    form_->deliver([this] { game_->Form_Load(); });  // before any other event
    buildWindow();
    traceEvents();
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, [this] { dispatch({}); });
    clock_.start();  // the scheduler's time 0 is the form's creation
    arm();
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
    trace_->watchFirstPaint(view_);
}

void QtHost::buildWindow() {
    window_ = std::make_unique<QMainWindow>();
    window_->setWindowTitle(QString::fromStdString(form_->caption()));
    // The window's icon up to 64 pixels: the window manager asks for no more, and each size is
    // kept decoded for as long as the window lives (the two biggest would take a megabyte). A
    // launcher takes its bigger icon from the installed files.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/fenwing-%1.png").arg(size), QSize(size, size));
    window_->setWindowIcon(icon);
    view_ = new FieldView(*form_, window_.get());
    view_->onClick = [this](float x, float y) { dispatch([=, this] { form_->clickAt(x, y); }); };
    form_->setRepaintSink(view_);
    window_->setCentralWidget(view_);
    for (const Menu& menu : form_->menus()) {
        QMenu* m = window_->menuBar()->addMenu(QString::fromStdString(menu.caption));
        for (MenuItem* item : menu.items) {
            QAction* action = m->addAction(QString::fromStdString(item->Caption()));
            action->setShortcut(shortcutKey(item->shortcut()));
            connect(action, &QAction::triggered, this,
                    [this, item] { dispatch([this, item] { form_->choose(*item); }); });
        }
    }
    window_->adjustSize();
}

void QtHost::show() {
    const QRect screen = window_->screen()->availableGeometry();
    window_->setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window_->size(), screen));
    window_->show();
}

Micros QtHost::elapsed() const { return clock_.nsecsElapsed() / 1000; }

double QtHost::clockReading() { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; }

void QtHost::dispatch(const std::function<void()>& event) {
    if (ended_) return;
    try {
        const Micros now = elapsed();
        if (auto due = form_->scheduler().nextDue(); due && now - *due > kMaxBacklog)
            form_->catchUpTo(now);
        else
            form_->advanceTo(now);
        if (event) event();
        view_->commit();
        arm();
    } catch (const EndProgram&) {
        finish(0);
    } catch (const RuntimeError& e) {
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
}

void QtHost::finish(int status) {
    ended_ = true;
    tick_.stop();
    QCoreApplication::exit(status);
}

}  // namespace fenwing::qt
