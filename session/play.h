// One session as a host plays it: a game that a player plays, or a replay of a script. A host
// gives it only the readings of its own clock and the player's inputs, and draws; the play
// delivers the time, says when to wake next, and how and when the program ended. The window,
// the page, the frames and the headless driver each play one.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "session/game_session.h"
#include "session/parser.h"
#include "session/script_player.h"

namespace fenwing {

class Play {
  public:
    // How the program ended.
    struct End {
        enum class Reason {
            Exit,          // the game's Exit
            ScriptEnd,     // a replay reached the end of its script, or the moment it stops at
            RuntimeError,  // the game raised a run-time error
            CheckFailed,   // with checks on, an event broke an invariant
        };
        Reason reason = Reason::Exit;
        // What a window shows of it: for a run-time error, "Run-time error 'N':\n\nMESSAGE";
        // for a broken invariant, the check's message; otherwise empty.
        std::string text;
        // The program's exit status: 0, or 1 for an error.
        int status() const { return reason == Reason::Exit || reason == Reason::ScriptEnd ? 0 : 1; }
    };

    // A game played by a player from generator state `seed`, printing to `out` what fenwing-sim
    // prints for its recording.
    Play(std::uint64_t seed, std::ostream& out);
    // A replay of `script`, printing what fenwing-sim prints for it.
    Play(std::vector<script::ScriptLine> script, std::ostream& out);
    // Driven a command at a time in virtual time from 0, as fenwing-sim reads a script.
    struct Commands {};
    Play(Commands, std::ostream& out);
    ~Play();
    Play(const Play&) = delete;
    Play& operator=(const Play&) = delete;

    GameSession& session() { return session_; }
    const GameSession& session() const { return session_; }
    bool replay() const { return player_.has_value(); }

    // The host's clock reads `now`, in microseconds on a clock of its own: every tick due (or
    // a stall, see GameSession::wake), or a replay's script up to that moment in step with the
    // clock. Returns when to wake next on the host's clock, or none (the program has ended).
    std::optional<Micros> wake(Micros now);
    // The player's input at `now`, after every tick due until then. A replay takes none.
    std::optional<Micros> input(Micros now, const script::Command& command);
    // When to wake next on the host's clock, as wake() and input() return it: for a game, the
    // next tick due while the picture changes, and the next that changes it while it stands
    // still (see GameSession::nextWake). None once the program has ended.
    std::optional<Micros> next();
    // One command, in virtual time (see GameSession::perform).
    void perform(const script::Command& command);
    // A replay played at once, in virtual time, up to `t` on the script's clock; the next wake
    // goes on from there in step with the host's clock.
    void skipTo(Micros t);
    // A replay stops at `t` on the script's clock, after the inputs given at that moment: it
    // ends there, with the reason ScriptEnd.
    void stopAt(Micros t);
    // After a replay's script has ended, the game goes on alone, in virtual time, up to `t`.
    void goOn(Micros t);
    // The script's commands, each just before it is played.
    void onCommand(std::function<void(const script::Command&)> told);

    // The host closes: unless the program has ended, the session ends at `now` on the host's
    // clock, a live game after the ticks due until then; its last moment and state are recorded
    // and printed (see GameSession::finish).
    void finish(Micros now);

    bool ended() const { return end_.has_value(); }
    const std::optional<End>& end() const { return end_; }
    // Told once, when the program ends.
    std::function<void(const End&)> onEnd;

    // Runs a host's own events on the session, such as a test's; an end they bring is the
    // program's.
    void run(const std::function<void()>& events);

  private:
    void ended(End end);

    GameSession session_;
    std::optional<script::ScriptPlayer> player_;
    std::optional<Micros> replayNext_;  // a replay's next wake on the host's clock
    std::optional<End> end_;
};

}  // namespace fenwing
