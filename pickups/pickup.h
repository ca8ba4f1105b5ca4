// The bonus items: the ammunition crate and the clock. Both wait out a countdown kept as text in
// a hidden label, cross the field one mover tick at a time, and reward every click.
#pragma once

#include <array>
#include <string_view>

#include "game/game_state.h"
#include "host/controls.h"

namespace fenwing {

enum class Reward { Shots, Seconds };

class Form1;

// An item's controls by their layout names, its flight and reward, and the handlers of Form1
// that are registered on its controls.
struct PickupSpec {
    std::string_view image, countdownLabel, countdownTimer, moverTimer;
    Int16 GameState::*clicks;
    float step;             // twips per mover tick: negative crosses leftward
    bool resetToFieldLeft;  // otherwise reset to resetLeft
    float resetLeft;
    int countdownRange, countdownBase;  // seconds until the next crossing
    Reward reward;                      // 7 shots or 20 seconds a click
    void (Form1::*onCountdown)();       // TmrAmmo_Timer
    void (Form1::*onMove)();            // tmrAmmoMove_Timer
    void (Form1::*onClick)();           // ImgAmmo_Click
};

// Crate first, clock second; made in pickups/rewards.cpp, where Form1's handlers are known.
extern const std::array<PickupSpec, 2> kPickupSpecs;

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
