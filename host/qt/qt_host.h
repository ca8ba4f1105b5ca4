// The real window's host: builds Form1 from the layout, drives the one scheduler from a
// monotonic clock, shows message boxes without nesting handlers, and ends the program.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QMargins>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <deque>
#include <functional>
#include <memory>

#include "game/form1.h"
#include "host/form.h"
#include "host/random.h"
#include "host/services.h"

class QMainWindow;
class QMessageBox;

namespace fenwing::qt {

class FieldView;
class SoundPlayer;
class Trace;

class QtHost : public QObject, public Services {
  public:
    // The scheduler's clock, microseconds from the form's creation; by default a monotonic one.
    using Clock = std::function<Micros()>;
    explicit QtHost(Clock clock = {});
    ~QtHost() override;

    // Shows the window centred on the screen: at its natural size where that fits the screen's
    // free area, frame included, otherwise at the largest uniform scale that fits.
    void show();
    // Plays the cues' sounds, from just after the first frame on; without it the game is silent.
    void enableSound();
    QMainWindow* window() const { return window_.get(); }
    FieldView* view() const { return view_; }
    Form& form() { return *form_; }
    // The single-shot timer that wakes the window for the scheduler's next deadline.
    const QTimer& wakeUp() const { return tick_; }

    void MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
    double clockReading() override;
    void cue(Cue cue) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildWindow();
    // Sizes and places the window for a frame of `frame` around it.
    void place(const QMargins& frame);
    Micros elapsed() const;
    // Runs one event after every tick that fell due before it; End and run-time errors end here.
    void dispatch(const std::function<void()>& event);
    void pump();  // delivers due ticks and arms the timer for the next deadline
    void arm();
    void showNextBox();
    void finish(int status);
    void traceEvents();

    Random random_;
    std::unique_ptr<Form> form_;
    std::unique_ptr<Form1> game_;
    std::unique_ptr<QMainWindow> window_;
    FieldView* view_ = nullptr;
    Clock clock_;
    QElapsedTimer monotonic_;
    QTimer tick_;
    QMargins frameGuess_;
    struct Box {
        QString prompt, title;
    };
    std::deque<Box> boxes_;
    QPointer<QMessageBox> openBox_;
    bool ended_ = false;
    std::unique_ptr<Trace> trace_;  // only with FENWING_TRACE set, for the benchmark
    std::unique_ptr<SoundPlayer> sound_;
};

}  // namespace fenwing::qt
