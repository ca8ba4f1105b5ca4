#include "game/form1.h"
#include "host/text.h"
#include "playfield/random_range.h"

namespace fenwing {

double Form1::RandomRange(std::int32_t Range, std::int32_t Base) {
    return fenwing::RandomRange(random_, services_, Range, Base);
}

void Form1::TmrTime_Timer() {
    LblTimeLeft.setCaption(Str(Val(LblTimeLeft.Caption()) - 1));
    // Time-up is the exact text "0"; it wins over a new flock on the same tick.
    if (LblTimeLeft.Caption() == "0") {
        LblTimeLeft.setCaption(Str(Int16(60)));
        EndGame(Cue::TimeUp, "Awww. The remaining ducks got away!!! Try again?", "Fail");
        return;
    }
    // All three flight timers off: every duck of the flock has been hit.
    if (!TmrDuck1.Enabled() && !TmrDuck2.Enabled() && !TmrDuck3.Enabled()) {
        TmrTime.setEnabled(false);
        NewFlock();
    }
}

// Either end of a game: the ducks go, the clock and the two bonus countdowns stop, and the box
// says why. The flight, fall and mover timers run on as they are.
void Form1::EndGame(Cue cue, const std::string& prompt, const std::string& title) {
    ImgDuck1.setVisible(false);
    Imgduck2.setVisible(false);
    Imgduck3.setVisible(false);
    TmrTime.setEnabled(false);
    TmrAmmo.setEnabled(false);
    TmrClock.setEnabled(false);
    services_.cue(cue);
    services_.MsgBox(prompt, 0, title);
}

// A fresh flock at random places, which may lie partly beyond the field's right or bottom edge;
// the flight turns such a duck back. The directions carry over.
void Form1::NewFlock() {
    giveFlyingPictures();
    for (Duck& duck : ducks_) {
        duck.image.setLeft(static_cast<float>(RandomRange(11160, 1440)));
        duck.image.setTop(static_cast<float>(RandomRange(9360, 840)));
    }
    ImgDuck1.setVisible(true);
    Imgduck2.setVisible(true);
    Imgduck3.setVisible(true);
    enableGameTimers();
    services_.cue(Cue::Flock);
}

}  // namespace fenwing
