// The headless driver: a game session driven by text commands in virtual time that starts at
// 0. See docs/driver.md for the command language.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "session/game_session.h"
#include "session/parser.h"
#include "session/play.h"

namespace fenwing {

class ScriptDriver {
  public:
    // Output (get values, message boxes, "end") goes to `out`; errors to `err`.
    ScriptDriver(std::ostream& out, std::ostream& err);

    enum class Status {
        Running,       // ready for the next command
        Ended,         // End was called: exit 0
        BadCommand,    // unknown or malformed command: exit 2
        RuntimeError,  // the game raised a run-time error: exit 3
        CheckFailed,   // with checks on, an event broke an invariant: exit 4
    };
    static int exitCode(Status s);

    // One command line; `lineNumber` is used in error messages. `complete`: whether a line
    // break ended it (see script::Parser::parse).
    Status execute(std::string_view line, int lineNumber, bool complete = true);
    // Every line of a script until it ends or a line stops the session. A bad line's error
    // names `file` when there is one ("error: FILE:LINE: REASON"); without, as on standard
    // input, it is "error: LINE: REASON". A script that cannot be read throws
    // script::ReadError.
    Status run(std::istream& script, const std::string& file = {});

    // From now on checks the game's invariants after every event (see game/invariants.h); a
    // `set` takes the state it leaves as the new starting point.
    void checkInvariants() { session().checkInvariants(); }
    // From now on prints each cue as the game names it, as `cue NAME`, among the other output.
    void printCues() { session().printCues(); }

    // Longest single advance, so that no command can keep the driver busy for long.
    static constexpr double kMaxAdvanceMs = script::kMaxAdvanceMs;

    GameSession& session() { return play_.session(); }
    Form& form() { return session().form(); }
    Form1& game() { return session().game(); }

  private:
    Status badLine(const char* reason, int lineNumber);

    std::ostream& out_;
    std::ostream& err_;
    Play play_;
    std::string where_;  // what the errors put before the line's number: "FILE:", or nothing
    script::Parser parser_;
};

}  // namespace fenwing
