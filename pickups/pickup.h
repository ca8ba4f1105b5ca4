// The bonus items: the ammunition crate and the clock. Both wait out a countdown kept as text in
// a hidden label, cross the field one mover tick at a time, and reward every click.
#pragma once

#include <array>
#include <string_view>

#include "game/game_state.h"
#include "host/controls.h"

namespace fenwing {

enum class Reward { Shots, Seconds };

struct PickupSpec {
    std::string_view image, countdownLabel, countdownTimer, moverTimer;
    Int16 GameState::*clicks;
    float step;             // twips per mover tick: negative crosses leftward
    bool resetToFieldLeft;  // otherwise reset to resetLeft
    float resetLeft;
    int countdownRange, countdownBase;  // seconds until the next crossing
    Reward reward;                      // 7 shots or 20 seconds a click
};

// Crate first, clock second.
inline constexpr std::array<PickupSpec, 2> kPickupSpecs = {{
    // The crate starts each crossing at the field's right edge (12480) less its width (600).
    {"ImgAmmo", "LblAmmo", "TmrAmmo", "tmrAmmoMove", &GameState::AmmoClicks, -60.0f, false,
     11880.0f, 30, 5, Reward::Shots},
    {"ImgClock", "lblclock", "TmrClock", "tmrClockMove", &GameState::ClockClicks, 60.0f, true, 0.0f,
     50, 30, Reward::Seconds},
}};

struct Pickup {
    Image& image;
    Label& countdown;
    Int16& clicks;
    const PickupSpec& spec;
};

// Lowers the countdown by one second.
void countDown(Pickup& item);
// One mover tick. Returns true when the crossing is over and the item must be reset.
bool moveOneTick(Pickup& item, const Image& field);

}  // namespace fenwing
