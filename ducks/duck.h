// A duck as its three handlers see it: its image, its two timers, its flags and its step.
#pragma once

#include <array>
#include <string_view>

#include "game/game_state.h"
#include "host/controls.h"

namespace fenwing {

struct DuckSpec {
    std::string_view image, flightTimer, fallTimer;
    Boolean GameState::*up;
    Boolean GameState::*left;
    float step;  // twips per flight tick, on both axes
};

inline constexpr std::array<DuckSpec, 3> kDuckSpecs = {{
    {"ImgDuck1", "TmrDuck1", "Tmrdead1", &GameState::Duck1Up, &GameState::Duck1Left, 150.0f},
    {"Imgduck2", "TmrDuck2", "tmrdead2", &GameState::Duck2Up, &GameState::Duck2Left, 125.0f},
    {"Imgduck3", "TmrDuck3", "tmrdead3", &GameState::Duck3Up, &GameState::Duck3Left, 57.0f},
}};

struct Duck {
    Image& image;
    Timer& flight;
    Timer& fall;
    Boolean& up;
    Boolean& left;
    float step;
};

// The pictures a duck borrows from the hidden stores, and the field it flies over.
struct DuckScene {
    const Image& field;
    const Image& facingRight;
    const Image& facingLeft;
    const Image& dead;
};

// One flight tick: a step on each axis, then at most one bounce.
void flyOneTick(Duck& duck, const DuckScene& scene);
// One fall tick: a shot duck that is shown drops 80 twips and is hidden at the field's bottom.
// Returns true when this tick took a shown duck to the ground, not when a hidden one's timer
// merely stops.
bool fallOneTick(Duck& duck, const DuckScene& scene);

}  // namespace fenwing
