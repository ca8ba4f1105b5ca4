// A random player for the soak: from a seed, commands drawn from the whole event set (menus
// but Exit, keys but Del, clicks by name and at points in and around the field, timer ticks,
// waits of 0 to 5 s), each chosen after looking at the game, and played with the checks on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "game/form1.h"

namespace fenwing::soak {

// An extra check run after every event, for tests of the soak itself: a non-empty text is a
// failure.
using Plant = std::function<std::string(const Form1&)>;

// What a session went through, to show that the soak reaches every corner of the game.
struct Seen {
    int hits = 0, timeUps = 0, outOfAmmo = 0, newFlocks = 0, crateRewards = 0, clockRewards = 0,
        thirdClicks = 0, helpBoxes = 0;
    Seen& operator+=(const Seen& o);
};

struct Session {
    std::vector<std::string> script;  // every command played, up to the failing one
    std::string failure;              // empty when every check held
    double simulatedMs = 0;
    Seen seen;
};

// Plays from `seed` until `simulatedMs` have passed or something fails.
Session play(std::uint64_t seed, double simulatedMs, const Plant& plant = {});

}  // namespace fenwing::soak
