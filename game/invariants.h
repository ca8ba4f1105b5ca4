// What must hold between any two events, however the game is played: the checks that the
// headless driver (fenwing-sim --check), the soak and the fuzzer run after every event.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "game/form1.h"

namespace fenwing {

class InvariantChecker {
  public:
    // Takes the game's present state as the starting point (see rebaseline()).
    explicit InvariantChecker(const Form1& game);

    // After an event: the first invariant that the event broke, as "NAME: what is wrong", or
    // an empty text. An invariant already broken before the event is not judged until it holds
    // again, so that only states reached by events count.
    std::string afterEvent();

    // After the state was changed by hand (the driver's `set`): whatever is broken now is not
    // the game's doing, and the hit count starts again from what it shows.
    void rebaseline();

    // Every invariant broken right now, judged on the state alone, as "NAME: what is wrong".
    std::vector<std::string> broken() const;

  private:
    std::optional<std::string> judge(std::size_t index) const;
    std::optional<double> hits() const;

    const Form1& game_;
    std::vector<bool> excused_;
    std::optional<double> lastHits_;
};

}  // namespace fenwing
