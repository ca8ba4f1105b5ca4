#include "game/form1.h"

namespace fenwing {

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
