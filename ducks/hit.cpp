#include "game/form1.h"

namespace fenwing {

constexpr std::array<DuckSpec, 3> kDuckSpecs = {{
    {"ImgDuck1", "TmrDuck1", "Tmrdead1", &GameState::Duck1Up, &GameState::Duck1Left, 150.0f,
     &Form1::TmrDuck1_Timer, &Form1::ImgDuck1_Click, &Form1::Tmrdead1_Timer},
    {"Imgduck2", "TmrDuck2", "tmrdead2", &GameState::Duck2Up, &GameState::Duck2Left, 125.0f,
     &Form1::TmrDuck2_Timer, &Form1::Imgduck2_Click, &Form1::tmrdead2_Timer},
    {"Imgduck3", "TmrDuck3", "tmrdead3", &GameState::Duck3Up, &GameState::Duck3Left, 57.0f,
     &Form1::TmrDuck3_Timer, &Form1::Imgduck3_Click, &Form1::tmrdead3_Timer},
}};

// A click on a shown duck, flying or already falling: the flight stops, the hit is counted
// before the shot is spent, so the last shot still scores. The fall timer takes over.
void Form1::ShootDuck(Duck& duck) {
    duck.flight.setEnabled(false);
    AddHit();
    UseShot();
}

// A fall tick: a shot duck heard reaching the ground.
void Form1::FallDuck(Duck& duck) {
    if (fallOneTick(duck, scene_)) services_.cue(Cue::Ground);
}

}  // namespace fenwing
