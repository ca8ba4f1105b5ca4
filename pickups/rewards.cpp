#include <algorithm>

#include "game/form1.h"
#include "host/text.h"

namespace fenwing {

constexpr std::array<PickupSpec, 2> kPickupSpecs = {{
    // The crate starts each crossing at the field's right edge (12480) less its width (600).
    {"ImgAmmo", "LblAmmo", "TmrAmmo", "tmrAmmoMove", &GameState::AmmoClicks, -60.0f, false,
     11880.0f, 30, 5, Reward::Shots, &Form1::TmrAmmo_Timer, &Form1::tmrAmmoMove_Timer,
     &Form1::ImgAmmo_Click},
    {"ImgClock", "lblclock", "TmrClock", "tmrClockMove", &GameState::ClockClicks, 60.0f, true, 0.0f,
     50, 30, Reward::Seconds, &Form1::TmrClock_Timer, &Form1::tmrClockMove_Timer,
     &Form1::ImgClock_Click},
}};

void Form1::MovePickup(Pickup& item) {
    if (moveOneTick(item, imgField)) ResetPickup(item);
}

// Hidden, back at its starting edge, at a new random height, with a new countdown.
void Form1::ResetPickup(Pickup& item) {
    item.image.setVisible(false);
    item.image.setLeft(item.spec.resetToFieldLeft ? imgField.Left() : item.spec.resetLeft);
    item.image.setTop(static_cast<float>(RandomRange(9360, 840)));
    item.countdown.setCaption(Str(RandomRange(item.spec.countdownRange, item.spec.countdownBase)));
    item.clicks = 0;
}

// Every click rewards, the third included; the third also takes the item away first.
void Form1::ClickPickup(Pickup& item) {
    item.clicks += 1;
    if (item.clicks >= 3) ResetPickup(item);
    RewardPickup(item);
    services_.cue(item.spec.reward == Reward::Shots ? Cue::Ammo : Cue::Clock);
}

void Form1::RewardPickup(Pickup& item) {
    if (item.spec.reward == Reward::Shots) {
        // 7 shots. The shots stop at the largest 16-bit number rather than overflow, and the
        // caption shows the same number.
        const double shown = std::min(Val(LblShotsLeft2.Caption()) + 7, double(kMaxShots));
        LblShotsLeft2.setCaption(Str(shown));
        state.Shots = state.Shots.saturatingAdd(7);
    } else {
        LblTimeLeft.setCaption(Str(Val(LblTimeLeft.Caption()) + 20));  // 20 seconds
    }
}

}  // namespace fenwing
