// The benchmark's yardstick: a bare Qt window of the game's size that runs one 64 Hz timer (a
// single-shot precise timer re-armed to each deadline) and, after F1, moves one 87 x 60 picture
// a step a tick, repainting only its old and new rectangles. Made bigger, it scales the picture
// and its steps as the game scales its client area. Del quits. With FENWING_TRACE set it
// records the same things as the game: when it begins to build the window and when it has built
// it, each tick, the first paint, each paint's size, "start" at F1, and "box:Fail" after 3840
// ticks (60 s) of moving.
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <algorithm>
#include <cmath>
#include <memory>

#include "window/trace.h"

namespace {

constexpr qint64 kPeriodNs = 15'625'000;  // 1/64 s
constexpr int kGameTicks = 60 * 64;

class BareWindow : public QWidget {
  public:
    BareWindow() : trace_(fenwing::qt::Trace::fromEnvironment()) {
        if (trace_) trace_->mark("host");
        setWindowTitle(QStringLiteral("Bare"));
        resize(927, 822);  // the game's window at its natural size, menu bar included
        setAttribute(Qt::WA_OpaquePaintEvent);
        natural_ = QPixmap(87, 60);
        QPainter p(&natural_);
        p.fillRect(natural_.rect(), Qt::white);
        p.fillRect(QRect(20, 15, 47, 30), QColor(0x40, 0x80, 0x30));
        if (trace_) trace_->watchPaints(this);
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
        p.drawPixmap(shown().topLeft(), picture_);
    }
    void resizeEvent(QResizeEvent*) override {
        scale_ = std::min(width() / 927.0, (height() - kMenu) / 803.0);
        picture_ = natural_.scaled(shown().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
    // The picture's place on the window (the menu bar's height at its top).
    QRect shown() const {
        const auto at = [this](int v) { return int(std::lround(v * scale_)); };
        return QRect(at(place_.left()), kMenu + at(place_.top() - kMenu), at(87), at(60));
    }
    void step() {
        update(shown());
        place_.translate(dx_, dy_);
        if (place_.left() <= 96 || place_.right() >= 832) dx_ = -dx_;
        if (place_.top() <= 75 || place_.bottom() >= 702) dy_ = -dy_;
        update(shown());
        if (++moved_ == kGameTicks && trace_) trace_->mark("box:Fail");
    }

    std::unique_ptr<fenwing::qt::Trace> trace_;
    QTimer tick_;
    QElapsedTimer clock_;
    qint64 due_ = kPeriodNs;
    static constexpr int kMenu = 19;
    QPixmap natural_, picture_;
    double scale_ = 1;
    QRect place_{400, 300, 87, 60};  // at the natural size
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
