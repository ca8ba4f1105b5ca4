#include "game/form1.h"
#include "host/text.h"

namespace fenwing {

// Start and a new flock switch on the same nine timers, in this order.
void Form1::enableGameTimers() {
    for (Timer* t : {&TmrDuck1, &TmrDuck2, &TmrDuck3, &Tmrdead1, &tmrdead2, &tmrdead3, &TmrTime,
                     &TmrClock, &TmrAmmo})
        t->setEnabled(true);
}

void Form1::giveFlyingPictures() {
    ImgDuck1.setPicture(Imgright.picture());
    Imgduck2.setPicture(Imgright.picture());
    Imgduck3.setPicture(imgleft.picture());
}

// The same at any moment, so it is also the restart. The ducks stay where they are, keep their
// directions, and the hits and the bonus items are left alone.
void Form1::mnufileStart_Click() {
    ImgDuck1.setVisible(true);
    Imgduck2.setVisible(true);
    Imgduck3.setVisible(true);
    enableGameTimers();
    giveFlyingPictures();
    LblTimeLeft.setCaption(Str(Int16(60)));
    LblShotsLeft2.setCaption(Str(Int16(25)));
    state.Shots = 25;
    services_.cue(Cue::Start);
}

}  // namespace fenwing
