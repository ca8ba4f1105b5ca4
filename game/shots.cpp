#include "game/form1.h"
#include "host/text.h"

namespace fenwing {

void Form1::AddHit() {
    LblScore2.setCaption(Str(Val(LblScore2.Caption()) + 1));
    services_.cue(Cue::Hit);
}

// Spends a shot if there is one. With none left the game ends, on this and every further call.
void Form1::UseShot() {
    if (state.Shots > 0) {
        state.Shots -= 1;
        LblShotsLeft2.setCaption(Str(state.Shots));
        services_.cue(Cue::Shot);
    }
    if (state.Shots == 0)
        EndGame(Cue::OutOfAmmo, "You ran out of ammo! The ducks got away!!", "Oh no!");
}

// A miss: the click position does not matter.
void Form1::imgField_Click() { UseShot(); }

}  // namespace fenwing
