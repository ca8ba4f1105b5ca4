// The real window's host: builds Form1 from the layout, drives the one scheduler from a
// monotonic clock, shows message boxes without nesting handlers, and ends the program.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QMargins>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "game/form1.h"
#include "host/form.h"
#include "host/random.h"
#include "host/script/command.h"
#include "host/script/recorder.h"
#include "host/services.h"

class QMainWindow;
class QMessageBox;

namespace fenwing::qt {

class FieldView;
class SoundPlayer;
class Trace;

class QtHost : public QObject, public Services {
  public:
    // Ticks up to this late (the jitter of a busy desktop) are all delivered, so that the
    // fastest timers keep 64 ticks a second. Beyond it (a suspended machine, a stalled desktop)
    // each timer gets one late tick instead of a burst: the ducks pause rather than jump. A
    // replay takes a wake this late for a stall of the machine too.
    static constexpr Micros kMaxLateness = 100'000;

    // The scheduler's clock, microseconds from the form's creation; by default a monotonic one.
    using Clock = std::function<Micros()>;
    // `seed`: the generator's starting state. A replay drives the form from a script (see
    // ReplayPlayer) and the player's own clicks and keys are ignored.
    explicit QtHost(std::uint64_t seed, bool replay = false, Clock clock = {});
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
    Form1& game() { return *game_; }
    Random& random() { return random_; }

    // Writes the session to `recorder` as it is played, from its first lines on.
    void record(std::unique_ptr<script::Recorder> recorder);

    // Runs events on the form (ticks, a replay's commands), then repaints. End and run-time
    // errors end the program here.
    void drive(const std::function<void()>& events);
    // What the session prints as fenwing-sim would: each box as it is asked for, and a
    // replay's get and state.
    std::ostream& output() { return output_; }
    // The player went on: every box open or waiting is closed.
    void closeBoxes();
    // The replayed script has ended, and with it the program.
    void endReplay();
    // After the event loop: unless the game ended the program, the window was closed, which
    // ends the session at this moment; its last moment and its state are recorded.
    void finishSession();
    // What the session printed: for a session played here, ended by finishSession(), its
    // boxes, its final state and "end" if the game ended it: what fenwing-sim prints for its
    // recording. For a replay, what fenwing-sim prints for the script.
    std::string printed() const { return output_.str(); }
    // The recording could not be written to its end.
    bool recordingFailed() const { return recorder_ && !recorder_->ok(); }

    void MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
    double clockReading() override;
    void cue(Cue cue) override;

  protected:
    // Tells a menu item chosen by its shortcut key from one chosen with the mouse, hands the
    // keyboard back to an open box when the window is activated, and places the window again
    // once its frame is known.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildWindow();
    // Sizes and places the window for a frame of `frame` around it.
    void place(const QMargins& frame);
    Micros elapsed() const;
    // Delivers every tick that fell due, then the input if any, and records both.
    void dispatch(const script::Command* input);
    void input(const script::Command& command);
    void arm();
    void showNextBox();
    // Gives the open box the keyboard, and raises it.
    void activateBox();
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
    bool replay_ = false;
    bool byShortcut_ = false;
    std::unique_ptr<script::Recorder> recorder_;
    std::ostringstream output_;
    std::unique_ptr<Trace> trace_;  // only with FENWING_TRACE set, for the benchmark
    std::unique_ptr<SoundPlayer> sound_;
};

}  // namespace fenwing::qt
