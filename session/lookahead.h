// A copy of a running game that plays on ahead of it, alone and unseen, to find the next tick
// that changes what a player sees or hears: a control drawn again, a cue, a box, or a run-time
// error. A host need not wake for the ticks before it: delivered together when it comes, or
// when an input does, they leave the game exactly as they would have one at a time.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "game/form1.h"
#include "host/form.h"
#include "host/random.h"
#include "host/services.h"

namespace fenwing {

class Lookahead final : private Services {
  public:
    Lookahead();
    ~Lookahead() override;
    Lookahead(const Lookahead&) = delete;
    Lookahead& operator=(const Lookahead&) = delete;

    // Takes the state of `game` and its generator `random`: every control, the timers and their
    // deadlines, Form1's variables and the generator's state.
    void copy(const Form1& game, const Random& random);
    // Plays the copy's ticks in order, up to the first that is seen or heard, and returns its
    // deadline; when no tick due before `limit` is, the deadline of the first due at or after
    // it. None when no timer runs: nothing will ever happen without an input.
    std::optional<Micros> firstShown(Micros limit);

    // The copy as the last look left it.
    const Form1& game() const { return *game_; }

  private:
    void MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
    double clockReading() override;
    void cue(Cue cue) override;

    Random random_;
    std::unique_ptr<Form> form_;
    std::unique_ptr<Form1> game_;
    bool heard_ = false;  // a cue or a box since the tick began
};

}  // namespace fenwing
