// The benchmark's yardstick: a bare Qt window of the game's size that runs one 64 Hz timer (a
// single-shot precise timer re-armed to each deadline) and, after F1, moves one 87 x 60 picture
// a step a tick, repainting only its old and new rectangles. Del quits. With FENWING_TRACE set
// it records the same things as the game: when it begins to build the window and when it has
// built it, each tick, the first paint, "start" at F1, and "box:Fail" after 3840 ticks (60 s)
// of moving.
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <memory>

#include "host/qt/trace.h"

namespace {

constexpr qint64 kPeriodNs = 15'625'000;  // 1/64 s
constexpr int kGameTicks = 60 * 64;

class BareWindow : public QWidget {
  public:
    BareWindow() : trace_(fenwing::qt::Trace::fromEnvironment()) {
        if (trace_) trace_->mark("host");
        setWindowTitle(QStringLiteral("Bare"));
        setFixedSize(927, 822);  // the game's window, menu bar included
        setAttribute(Qt::WA_OpaquePaintEvent);
        picture_ = QPixmap(87, 60);
        QPainter p(&picture_);
        p.fillRect(picture_.rect(), Qt::white);
        p.fillRect(QRect(20, 15, 47, 30), QColor(0x40, 0x80, 0x30));
        if (trace_) trace_->watchFirstPaint(this);
        tick_.setSingleShot(true);
        tick_.setTimerType(Qt::PreciseTimer);
        connect(&tick_, &QTimer::timeout, this, [this] { onTick(); });
        clock_.start();
        arm();
        if (trace_) trace_->mark("built");
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        for (const QRect& r : event->region()) p.fillRect(r, QColor(0xC0, 0xC0, 0xC0));
        p.drawPixmap(place_, picture_);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_F1) {
            moving_ = true;
            moved_ = 0;
            if (trace_) trace_->mark("start");
        } else if (event->key() == Qt::Key_Delete) {
            QApplication::quit();
        }
    }

  private:
    void arm() {
        const qint64 wait = std::max<qint64>(0, due_ - clock_.nsecsElapsed());
        tick_.start(int((wait + 999'999) / 1'000'000));
    }
    void onTick() {
        while (due_ <= clock_.nsecsElapsed()) {
            due_ += kPeriodNs;
            if (trace_) trace_->tick();
            if (moving_) step();
        }
        arm();
    }
    void step() {
        update(place_);
        place_.translate(dx_, dy_);
        if (place_.left() <= 96 || place_.right() >= 832) dx_ = -dx_;
        if (place_.top() <= 75 || place_.bottom() >= 702) dy_ = -dy_;
        update(place_);
        if (++moved_ == kGameTicks && trace_) trace_->mark("box:Fail");
    }

    std::unique_ptr<fenwing::qt::Trace> trace_;
    QTimer tick_;
    QElapsedTimer clock_;
    qint64 due_ = kPeriodNs;
    QPixmap picture_;
    QRect place_{400, 300, 87, 60};
    int dx_ = 4, dy_ = 4;
    bool moving_ = false;
    int moved_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    BareWindow window;
    window.show();
    return QApplication::exec();
}
