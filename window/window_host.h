// The real window's host: a game played, or a replay, shown in the main window and driven by a
// monotonic clock. It wakes when the play says, turns the player's inputs into the session's,
// shows the boxes the game asks for, plays the cues, and ends the program when the play ends.
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "session/play.h"

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
    // `seed`: the generator's starting state. With a `replay`, that script drives the session in
    // real time (see ScriptPlayer::playAlong) and the player's own clicks and keys are ignored;
    // its end ends the program.
    explicit WindowHost(std::uint64_t seed,
                        std::optional<std::vector<script::ScriptLine>> replay = {},
                        Clock clock = {});
    ~WindowHost() override;

    // Shows the window centred on the screen (see Placement).
    void show();
    // Plays the cues' sounds, from just after the first frame on; without it the game is silent.
    void enableSound();
    QMainWindow* window() const;
    FieldView* view() const;
    // The session shown, which prints what fenwing-sim would: each box as it is asked for, and
    // a replay's get and state.
    GameSession& session() { return play_.session(); }
    Play& play() { return play_; }
    // Starts playing: a replay from here, a game at once.
    void start();
    // The single-shot timer that wakes the window when the play next has something to do.
    const QTimer& wakeUp() const { return tick_; }

    // Runs events of the host's own on the session, then repaints. End and run-time errors end
    // the program here.
    void drive(const std::function<void()>& events);
    // After the event loop: unless the game ended the program, the window was closed, which
    // ends the session at this moment; its last moment and its state are recorded. Returns
    // what the session printed: for a session played here, what fenwing-sim prints for its
    // recording; for a replay, what fenwing-sim prints for the script.
    std::string finishSession();

  private:
    Micros elapsed() const;
    // Delivers every tick that fell due, or the replay's script, then the input if any.
    void dispatch(const script::Command* input);
    void arm(std::optional<Micros> next);
    void ended(const Play::End& end);
    void traceEvents();

    std::ostringstream output_;
    Play play_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<Placement> placement_;
    std::unique_ptr<BoxQueue> boxes_;
    Clock clock_;
    QElapsedTimer monotonic_;
    QTimer tick_;
    std::unique_ptr<Trace> trace_;  // only with FENWING_TRACE set, for the benchmark
    std::unique_ptr<SoundPlayer> sound_;
};

}  // namespace fenwing::qt
