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

    // Told of each command just before it is played.
    std::function<void(const Command&)> onCommand;

  private:
    GameSession& session_;
    std::vector<ScriptLine> script_;
    std::size_t next_ = 0;
    std::optional<Micros> until_;  // where the advance or stall being played ends
};

}  // namespace fenwing::script
