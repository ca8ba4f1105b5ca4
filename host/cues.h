// What the player hears: the moments of the game that have a sound. The game names each one to
// its host as it happens (Services::cue); the host plays it, prints it, or lets it pass.
#pragma once

#include <array>
#include <string_view>

namespace fenwing {

enum class Cue {
    Start,      // the Start command, at any moment
    Shot,       // a click that spent a shot
    Hit,        // a click on a shown duck
    Ground,     // a shown duck that was shot reached the field's bottom edge
    Ammo,       // a click on the crate: 7 shots
    Clock,      // a click on the clock: 20 seconds
    Flock,      // a new flock put up by the game clock
    OutOfAmmo,  // the end with no shots left, each time its box is shown
    TimeUp,     // the end when the clock reaches 0
};

inline constexpr std::array<Cue, 9> kCues = {Cue::Start,  Cue::Shot,      Cue::Hit,
                                             Cue::Ground, Cue::Ammo,      Cue::Clock,
                                             Cue::Flock,  Cue::OutOfAmmo, Cue::TimeUp};

// The cue's name, as fenwing-sim prints it and as its sound file is called.
constexpr std::string_view cueName(Cue cue) {
    constexpr std::array<std::string_view, kCues.size()> names = {
        "start", "shot", "hit", "ground", "ammo", "clock", "flock", "out_of_ammo", "time_up"};
    return names[static_cast<std::size_t>(cue)];
}

}  // namespace fenwing
