// The games of a session: a game begins at a Start and is finished when the game itself ends it,
// when the clock runs out or the last shot is spent, the first such end after that Start. A game
// cut short by another Start or by Exit, or still running when the session ends, is not
// finished. The session tells the log of each moment that matters (the cues), and the log keeps
// what every finished game did.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/cues.h"
#include "host/scheduler.h"

namespace fenwing {

struct GameResult {
    enum class Ending { Time, Shots };

    int number = 0;             // its Start, counted from 1 in the session (all Starts count)
    Micros start = 0, end = 0;  // in the session's game time
    Ending ending = Ending::Time;
    int hits = 0;    // the hits it made: each one added to the Hits! counter
    int shots = 0;   // the shots it spent, a shot on a duck or on the field
    int crates = 0;  // clicks on the ammunition crate, 7 shots each
    int clocks = 0;  // clicks on the clock, 20 seconds each

    Micros length() const { return end - start; }
    bool operator==(const GameResult&) const = default;
};

// "time" or "shots".
const char* endingName(GameResult::Ending ending);
std::optional<GameResult::Ending> endingNamed(const std::string& name);

// The line fenwing-sim --games prints for a game:
//   game 2 from 1234.5 to 61234.5 ended time hits 12 shots 25 crates 1 clocks 0
std::string describe(const GameResult& game);

class GameLog {
  public:
    // The game names `cue` at `now`.
    void cue(Cue cue, Micros now);
    // The session ends (Exit, the window closed): a game still running is not finished.
    void close() { open_.reset(); }

    const std::vector<GameResult>& finished() const { return finished_; }
    // Told of each game as it is finished.
    std::function<void(const GameResult&)> onFinished;

  private:
    int starts_ = 0;
    std::optional<GameResult> open_;
    std::vector<GameResult> finished_;
};

}  // namespace fenwing
