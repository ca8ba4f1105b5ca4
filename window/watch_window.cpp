#include "window/watch_window.h"

#include <QtCore/QDateTime>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "audio/sound_player.h"
#include "window/field_view.h"
#include "window/first_paint.h"

namespace fenwing::qt {

namespace {
QString playerOf(const best::BestGame& game) {
    return game.player.empty() ? QStringLiteral("an unknown player")
                               : QString::fromStdString(game.player);
}
}  // namespace

WatchWindow::WatchWindow(std::vector<script::ScriptLine> script, const best::BestGame& game,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), play_(std::move(script), printed_), game_(game) {
    setWindowTitle(titleFor(game));
    Form& form = play_.session().form();
    view_ = new FieldView(form, this);
    form.setRepaintSink(view_);
    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    auto* stop = new QPushButton(QStringLiteral("Stop Watching"), this);
    stop->setFocusPolicy(Qt::NoFocus);  // Esc and Return reach the window
    connect(stop, &QPushButton::clicked, this, &QWidget::close);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(8, 4, 8, 4);
    bar->addWidget(status_, 1);
    bar->addWidget(stop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_, 1);
    layout->addLayout(bar);
    play_.session().onCue = [this](Cue cue) {
        if (sound_) sound_->play(cue);
    };
    play_.onEnd = [this](const Play::End&) {
        tick_.stop();
        finish();
    };
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, [this] { wake(); });
    play_.stopAt(game_.result.end);
    showStatus();
    // The field at its natural size, as the main window opens, where the screen has room.
    resize(sizeHint().boundedTo(screen()->availableSize()));
}

WatchWindow::~WatchWindow() {
    tick_.stop();
    play_.session().form().setRepaintSink(nullptr);
}

QString WatchWindow::titleFor(const best::BestGame& game) {
    return QStringLiteral("Fenwing: game %1 of %2 (watching)")
        .arg(game.result.number)
        .arg(playerOf(game));
}

void WatchWindow::enableSound() {
    sound_ = std::make_unique<SoundPlayer>();
    afterFirstPaint(view_, [this] { sound_->start(); });
}

void WatchWindow::start() {
    clock_.start();
    play_.skipTo(game_.result.start);
    view_->commit();
    showStatus();
    if (!play_.ended()) tick_.start(0);
}

void WatchWindow::wake() {
    const Micros now = clock_.nsecsElapsed() / 1000;
    const std::optional<Micros> next = play_.wake(now);
    view_->commit();
    showStatus();
    if (next) tick_.start(millisUntil(*next, now));
}

std::string WatchWindow::finish() {
    if (!finished_) {
        tick_.stop();
        play_.session().printState();
        finished_ = printed_.str();
        showStatus();
    }
    return *finished_;
}

QString WatchWindow::status() const { return status_->text(); }

void WatchWindow::showStatus() {
    const GameResult& r = game_.result;
    QString text;
    if (play_.ended())
        text = QStringLiteral("Game %1 ended as its %2 ran out: %3 hits, %4 shots.")
                   .arg(r.number)
                   .arg(QString::fromLatin1(endingName(r.ending)))
                   .arg(r.hits)
                   .arg(r.shots);
    else if (finished_)
        text = QStringLiteral("Stopped watching game %1.").arg(r.number);
    else
        text = QStringLiteral("Game %1 of %2: %3 hits to come.")
                   .arg(r.number)
                   .arg(playerOf(game_))
                   .arg(r.hits);
    const auto& boxes = play_.session().boxes();
    if (!boxes.empty())
        text += QStringLiteral("   %1: %2")
                    .arg(QString::fromStdString(boxes.front().title),
                         QString::fromStdString(boxes.front().prompt))
                    .replace(QLatin1Char('\n'), QLatin1Char(' '));
    status_->setText(text);
}

void WatchWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

}  // namespace fenwing::qt
