// The real window's host: a game session shown in the main window, driven by a monotonic clock.
// It wakes for the session's next deadline, turns the player's inputs into the session's, shows
// the boxes the game asks for, plays the cues, and ends the program.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "session/game_session.h"

class QMainWindow;

namespace fenwing::qt {

class BoxQueue;
class FieldView;
class MainWindow;
class Placement;
class SoundPlayer;
class Trace;

class WindowHost : public QObject {
  public:
    // The scheduler's clock, microseconds from the form's creation; by default a monotonic one.
    using Clock = std::function<Micros()>;
    // `seed`: the generator's starting state. A replay drives the session from a script (see
    // ReplayPlayer) and the player's own clicks and keys are ignored.
    explicit WindowHost(std::uint64_t seed, bool replay = false, Clock clock = {});
    ~WindowHost() override;

    // Shows the window centred on the screen (see Placement).
    void show();
    // Plays the cues' sounds, from just after the first frame on; without it the game is silent.
    void enableSound();
    QMainWindow* window() const;
    FieldView* view() const;
    // The session shown, which prints what fenwing-sim would: each box as it is asked for, and
    // a replay's get and state.
    GameSession& session() { return session_; }
    // The single-shot timer that wakes the window for the scheduler's next deadline.
    const QTimer& wakeUp() const { return tick_; }

    // Runs events on the session (ticks, a replay's commands), then repaints. End and run-time
    // errors end the program here. A replay ends the program with true.
    void drive(const std::function<bool()>& events);
    // After the event loop: unless the game ended the program, the window was closed, which
    // ends the session at this moment; its last moment and its state are recorded. Returns
    // what the session printed: for a session played here, what fenwing-sim prints for its
    // recording; for a replay, what fenwing-sim prints for the script.
    std::string finishSession();

  private:
    Micros elapsed() const;
    // Delivers every tick that fell due, then the input if any.
    void dispatch(const script::Command* input);
    void arm();
    void finish(int status);
    void traceEvents();

    std::ostringstream output_;
    GameSession session_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<Placement> placement_;
    std::unique_ptr<BoxQueue> boxes_;
    Clock clock_;
    QElapsedTimer monotonic_;
    QTimer tick_;
    bool replay_ = false;
    bool ended_ = false;            // the program is ending: nothing more runs
    std::unique_ptr<Trace> trace_;  // only with FENWING_TRACE set, for the benchmark
    std::unique_ptr<SoundPlayer> sound_;
};

}  // namespace fenwing::qt
