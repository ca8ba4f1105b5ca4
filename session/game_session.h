// One running game, as every host drives it: the form built from the layout with Form1 loaded
// on it before any event, the one scheduler and its clock, the generator, the boxes the game
// asked for, its cues, the recording when one is made, and the rule for time that comes late.
// The headless driver, the window, the frames, a replay and the tests each drive one; none of
// them builds the game or moves its time by itself.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "game/form1.h"
#include "host/form.h"
#include "host/random.h"
#include "host/services.h"
#include "session/command.h"
#include "session/games.h"

namespace fenwing {

class InvariantChecker;
class Lookahead;

namespace script {
class Recorder;
}

// A box the game asked for, shown until the player closes it.
struct Box {
    std::string title, prompt;
};

class GameSession final : private Services {
  public:
    // Ticks up to this late (the jitter of a busy desktop) are all delivered, so that the
    // fastest timers keep 64 ticks a second. Beyond it (a suspended machine, a stalled desktop)
    // each timer gets one late tick instead of a burst: the ducks pause rather than jump.
    static constexpr Micros kMaxLateness = 100'000;

    // How a series of events ended.
    enum class Status {
        Running,       // the game goes on
        Ended,         // the game's Exit ended the program
        RuntimeError,  // the game raised a run-time error: see error()
        CheckFailed,   // with checks on, an event broke an invariant: see error()
    };

    // What the session prints goes to `out`, as fenwing-sim prints it: each box as it is asked
    // for, what `get` and `state` print, and "end".
    GameSession(std::uint64_t seed, std::ostream& out);
    ~GameSession() override;
    GameSession(const GameSession&) = delete;
    GameSession& operator=(const GameSession&) = delete;

    Form& form() { return *form_; }
    const Form& form() const { return *form_; }
    Form1& game() { return *game_; }
    Random& random() { return random_; }
    Micros now() const { return form_->scheduler().now(); }

    // Runs events on the game (the inputs and time below) and tells how they ended. The game's
    // End prints "end" (after the state, when a player is at the controls); a run-time error
    // is recorded and kept in error(). Once the program has ended, nothing more runs.
    Status run(const std::function<void()>& events);
    bool over() const { return over_; }
    const std::string& error() const { return error_; }
    int errorNumber() const { return errorNumber_; }

    // Inputs, inside run(). Any command of the driver's language: `advance` and `stall` move
    // time as advanceTo() and stallTo() do. An input closes the boxes first, as a player must
    // have done to give it, and is recorded.
    void perform(const script::Command& command);
    // Every tick due up to `t`, in order.
    void advanceTo(Micros t);
    // A stall up to `t`: each timer due ticks once, late.
    void stallTo(Micros t);
    // A host's wake at `t` on its own clock: every tick due, unless the wake is later than
    // kMaxLateness after the moment nextWake() last gave (or, without one, after the first tick
    // due), when the ticks due before that moment are delivered and the time since is taken for
    // a stall. Recorded.
    void wake(Micros t);

    // When a host should wake next: while the picture changes, at the next tick due; once ticks
    // have passed that changed nothing a player sees or hears, at the first tick that will (found
    // by playing a copy of the game ahead, see Lookahead), or at the first after kIdleHorizon.
    // Ticks passed over are delivered when the host wakes, or an input comes, exactly as one at a
    // time would have been. None when no timer runs.
    std::optional<Micros> nextWake();
    // How far ahead a still game is played: the longest a host sleeps while nothing moves.
    static constexpr Micros kIdleHorizon = 2'000'000;

    // The boxes the game asked for and the player has not closed yet, oldest first. The player
    // closes the oldest; an input closes them all. Hosts that show boxes are told of each new
    // one, and when an input closed them.
    const std::deque<Box>& boxes() const { return boxes_; }
    void closeBox();
    std::function<void(const Box&)> onBox;
    std::function<void()> onBoxesClosed;
    // Told each cue as the game names it.
    std::function<void(Cue)> onCue;
    // From now on prints each cue as `cue NAME` among the other output.
    void printCues() { printCues_ = true; }
    // From now on checks the game's invariants after every event; a `set` takes the state it
    // leaves as the new starting point.
    void checkInvariants();

    // A player is at the controls, not a script: the end of the program prints the final state
    // before "end", as the recording of the session would have it printed.
    void playerAtControls() { live_ = true; }
    // Writes the session to `recorder` as it is played, from its first lines on, which begin
    // with `comments` (see Recorder::begin).
    void record(std::unique_ptr<script::Recorder> recorder, const std::string& comments = {});
    // A comment in the recording, from here on (see Recorder::comment).
    void note(const std::string& text);
    // The time up to now, written to the recording at once (see Recorder::reach).
    void recordTime();
    bool recordingFailed() const;
    // The session ends with the game still running (the window was closed): its last moment
    // and its final state are recorded and printed. Nothing runs after it.
    void finish();
    // What `state` prints.
    void printState();

    // The games played so far, and those finished (see GameLog).
    GameLog& games() { return games_; }
    const GameLog& games() const { return games_; }

  private:
    void noteTicks(Micros t);
    void closeBoxes();
    void MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
    double clockReading() override;
    void cue(Cue cue) override;

    std::ostream& out_;
    Random random_;
    std::unique_ptr<Form> form_;
    std::unique_ptr<Form1> game_;
    std::unique_ptr<InvariantChecker> checker_;
    std::unique_ptr<script::Recorder> recorder_;
    std::deque<Box> boxes_;
    GameLog games_;
    std::string error_;
    int errorNumber_ = 0;
    bool printCues_ = false;
    bool live_ = false;
    bool over_ = false;

    // For nextWake(): the moment it gave (kNever: none), whether ticks have passed that changed
    // nothing on the screen, what the form had redrawn and the cues and boxes so far, and the
    // copy that plays ahead.
    static constexpr Micros kNever = std::numeric_limits<Micros>::max();
    std::optional<Micros> planned_;
    bool still_ = false;
    bool ticked_ = false;  // a tick has been delivered since the last plan
    std::uint64_t shown_ = 0, shownAtPlan_ = 0;
    std::unique_ptr<Lookahead> lookahead_;
};

}  // namespace fenwing
