// Form1: the game. Its handlers are named after their control and event; the three ducks and
// the two bonus items share one behaviour each, driven by their tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "ducks/duck.h"
#include "game/game_state.h"
#include "host/form.h"
#include "host/random.h"
#include "host/services.h"
#include "pickups/pickup.h"

namespace fenwing {

class Form1 {
  public:
    // Binds every control by its layout name and registers every handler on its control.
    Form1(Form& form, Services& services, Random& random);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    Form& form() const { return form_; }
    GameState state;

    void Form_Load();

    // Menus.
    void mnufileStart_Click();
    void mnufileExit_Click();
    void mnuhelpControls_Click();
    void mnuhelpAbout_Click();
    void MnuHelpHow_Click();

    // Shots and the game clock.
    void imgField_Click();
    void TmrTime_Timer();

    // Ducks.
    void TmrDuck1_Timer() { flyOneTick(ducks_[0], scene_); }
    void TmrDuck2_Timer() { flyOneTick(ducks_[1], scene_); }
    void TmrDuck3_Timer() { flyOneTick(ducks_[2], scene_); }
    void ImgDuck1_Click() { ShootDuck(ducks_[0]); }
    void Imgduck2_Click() { ShootDuck(ducks_[1]); }
    void Imgduck3_Click() { ShootDuck(ducks_[2]); }
    void Tmrdead1_Timer() { FallDuck(ducks_[0]); }
    void tmrdead2_Timer() { FallDuck(ducks_[1]); }
    void tmrdead3_Timer() { FallDuck(ducks_[2]); }

    // Bonus items.
    void TmrAmmo_Timer() { countDown(pickups_[0]); }
    void tmrAmmoMove_Timer() { MovePickup(pickups_[0]); }
    void ImgAmmo_Click() { ClickPickup(pickups_[0]); }
    void TmrClock_Timer() { countDown(pickups_[1]); }
    void tmrClockMove_Timer() { MovePickup(pickups_[1]); }
    void ImgClock_Click() { ClickPickup(pickups_[1]); }

    // Fields of GameState by name, for the headless driver. Flags read "True" or "False".
    static bool isField(std::string_view name);
    std::string getField(std::string_view name) const;
    void setField(std::string_view name, std::string_view value);  // throws std::invalid_argument
    // The value `set` would give that field; throws std::invalid_argument as setField does.
    static Int16 fieldValue(std::string_view name, std::string_view value);

    // The shots can never pass this: a reward stops there.
    static constexpr int kMaxShots = Int16::kMax;

  private:
    void AddHit();
    void UseShot();
    void NewFlock();
    void EndGame(Cue cue, const std::string& prompt, const std::string& title);
    double RandomRange(std::int32_t Range, std::int32_t Base);

    void ShootDuck(Duck& duck);
    void FallDuck(Duck& duck);
    void MovePickup(Pickup& item);
    void ClickPickup(Pickup& item);
    void ResetPickup(Pickup& item);
    void RewardPickup(Pickup& item);

    void registerHandlers();
    void enableGameTimers();
    void giveFlyingPictures();

    Form& form_;
    Services& services_;
    Random& random_;

  public:
    // The controls, by their layout names.
    Image &ImgAmmo, &ImgClock, &Imgduck2, &ImgDuck1, &Imgduck3, &ImgDead, &imgleft, &Imgright,
        &imgField;
    Label &LblAmmo, &lblclock, &LblTimeLeft, &lblyay, &LblShotsLeft2, &LblShotsLeft, &LblScore2,
        &lblscore, &lbltitle;
    Timer &tmrAmmoMove, &tmrClockMove, &TmrAmmo, &TmrClock, &TmrTime, &tmrdead3, &tmrdead2,
        &Tmrdead1, &TmrDuck3, &TmrDuck2, &TmrDuck1;

  private:
    DuckScene scene_;
    std::array<Duck, 3> ducks_;
    std::array<Pickup, 2> pickups_;
};

}  // namespace fenwing
