// Plays a script of the driver's language on a game session against a clock of the host's:
// each command at its moment in the script's time, and the ticks in between as they fall due,
// so that the game moves as it did when it was recorded. In a `stall` the game stands still
// until the stall's end, then each overdue timer ticks once, late. The window's replay plays
// it in real time and fenwing-frames from picture to picture; both end where fenwing-sim does.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "session/game_session.h"
#include "session/parser.h"

namespace fenwing::script {

class ScriptPlayer {
  public:
    ScriptPlayer(GameSession& session, std::vector<ScriptLine> script);

    // Plays the script up to `t` on the script's clock, inside session.run(). Returns the
    // moment when there is next something to play, or none once the script has ended.
    std::optional<Micros> playTo(Micros t);

    // Plays the script in step with a host's real clock, which reads `now` (inside
    // session.run()). The script's clock runs with the host's, except that a wake later than
    // GameSession::kMaxLateness moves the script's clock on by no more than was wanted: the game
    // pauses as the machine did, instead of rushing to catch up. Returns the moment on the
    // host's clock to wake next, or none once the script has ended: while the game stands still
    // between two commands, the next tick that changes the picture (GameSession::nextWake).
    std::optional<Micros> playAlong(Micros now);

    // The script ends at `t` on its clock, after the commands given at that moment, as if the
    // rest of it were cut off.
    void stopAt(Micros t) { stop_ = t; }

    // Told of each command just before it is played.
    std::function<void(const Command&)> onCommand;

  private:
    std::optional<Micros> play(Micros t);

    GameSession& session_;
    std::vector<ScriptLine> script_;
    std::size_t next_ = 0;
    std::optional<Micros> until_;  // where the advance or stall being played ends
    std::optional<Micros> stop_;   // where the script is cut off
    // In step with a host's clock: from the first wake, the host's time less `offset_` is the
    // script's; `wanted_` is the script's moment the last wake asked for.
    bool started_ = false;
    Micros offset_ = 0, wanted_ = 0;
    bool along_ = false;  // playing in step with a host's clock
};

}  // namespace fenwing::script
