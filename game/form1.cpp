#include "game/form1.h"

namespace fenwing {

namespace {
Duck bindDuck(Form& form, GameState& state, const DuckSpec& spec) {
    return {form.image(spec.image),     form.timer(spec.flightTimer),
            form.timer(spec.fallTimer), state.*spec.up,
            state.*spec.left,           spec.step};
}
Pickup bindPickup(Form& form, GameState& state, const PickupSpec& spec) {
    return {form.image(spec.image), form.label(spec.countdownLabel), state.*spec.clicks, spec};
}
}  // namespace

Form1::Form1(Form& form, Services& services, Random& random)
    : form_(form),
      services_(services),
      random_(random),
      ImgAmmo(form.image("ImgAmmo")),
      ImgClock(form.image("ImgClock")),
      Imgduck2(form.image("Imgduck2")),
      ImgDuck1(form.image("ImgDuck1")),
      Imgduck3(form.image("Imgduck3")),
      ImgDead(form.image("ImgDead")),
      imgleft(form.image("imgleft")),
      Imgright(form.image("Imgright")),
      imgField(form.image("imgField")),
      LblAmmo(form.label("LblAmmo")),
      lblclock(form.label("lblclock")),
      LblTimeLeft(form.label("LblTimeLeft")),
      lblyay(form.label("lblyay")),
      LblShotsLeft2(form.label("LblShotsLeft2")),
      LblShotsLeft(form.label("LblShotsLeft")),
      LblScore2(form.label("LblScore2")),
      lblscore(form.label("lblscore")),
      lbltitle(form.label("lbltitle")),
      tmrAmmoMove(form.timer("tmrAmmoMove")),
      tmrClockMove(form.timer("tmrClockMove")),
      TmrAmmo(form.timer("TmrAmmo")),
      TmrClock(form.timer("TmrClock")),
      TmrTime(form.timer("TmrTime")),
      tmrdead3(form.timer("tmrdead3")),
      tmrdead2(form.timer("tmrdead2")),
      Tmrdead1(form.timer("Tmrdead1")),
      TmrDuck3(form.timer("TmrDuck3")),
      TmrDuck2(form.timer("TmrDuck2")),
      TmrDuck1(form.timer("TmrDuck1")),
      scene_{imgField, Imgright, imgleft, ImgDead},
      ducks_{bindDuck(form, state, kDuckSpecs[0]), bindDuck(form, state, kDuckSpecs[1]),
             bindDuck(form, state, kDuckSpecs[2])},
      pickups_{bindPickup(form, state, kPickupSpecs[0]), bindPickup(form, state, kPickupSpecs[1])} {
    registerHandlers();
}

void Form1::registerHandlers() {
    const auto on = [this](void (Form1::*handler)()) {
        return [this, handler] { (this->*handler)(); };
    };
    form_.menuItem("mnufileStart").onClick = on(&Form1::mnufileStart_Click);
    form_.menuItem("mnufileExit").onClick = on(&Form1::mnufileExit_Click);
    form_.menuItem("mnuhelpControls").onClick = on(&Form1::mnuhelpControls_Click);
    form_.menuItem("mnuhelpAbout").onClick = on(&Form1::mnuhelpAbout_Click);
    form_.menuItem("MnuHelpHow").onClick = on(&Form1::MnuHelpHow_Click);

    imgField.onClick = on(&Form1::imgField_Click);
    TmrTime.onTimer = on(&Form1::TmrTime_Timer);

    for (const DuckSpec& duck : kDuckSpecs) {
        form_.timer(duck.flightTimer).onTimer = on(duck.onFlight);
        form_.image(duck.image).onClick = on(duck.onClick);
        form_.timer(duck.fallTimer).onTimer = on(duck.onFall);
    }
    for (const PickupSpec& item : kPickupSpecs) {
        form_.timer(item.countdownTimer).onTimer = on(item.onCountdown);
        form_.timer(item.moverTimer).onTimer = on(item.onMove);
        form_.image(item.image).onClick = on(item.onClick);
    }
}

// Sets the direction flags and the shots, and nothing else.
void Form1::Form_Load() {
    state.Duck1Up = True;
    state.Duck1Left = True;
    state.Duck2Up = True;
    state.Duck2Left = False;
    state.Duck3Up = True;
    state.Duck3Left = True;
    state.Shots = 25;
}

}  // namespace fenwing
