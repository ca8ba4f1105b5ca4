// A duck as its three handlers see it: its image, its two timers, its flags and its step.
#pragma once

#include <array>
#include <string_view>

#include "game/game_state.h"
#include "host/controls.h"

namespace fenwing {

class Form1;

// A duck's controls by their layout names, its flags and step, and the handlers of Form1 that
// are registered on its controls.
struct DuckSpec {
    std::string_view image, flightTimer, fallTimer;
    Boolean GameState::*up;
    Boolean GameState::*left;
    float step;                 // twips per flight tick, on both axes
    void (Form1::*onFlight)();  // TmrDuck1_Timer
    void (Form1::*onClick)();   // ImgDuck1_Click
    void (Form1::*onFall)();    // Tmrdead1_Timer
};

// Duck 1, 2 and 3; made in ducks/hit.cpp, where Form1's handlers are known.
extern const std::array<DuckSpec, 3> kDuckSpecs;

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
