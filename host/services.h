// What a concrete host (the real window or the headless driver) provides to the game.
#pragma once

#include <string>

#include "host/cues.h"
#include "host/errors.h"

namespace fenwing {

class Services {
  public:
    virtual ~Services() = default;
    // A modal box with the prompt, the buttons value and the title. The game never reads the
    // answer, and calls it only as the last step of a handler.
    virtual void MsgBox(const std::string& prompt, int buttons, const std::string& title) = 0;
    // A reading of the system clock in seconds, for Randomize.
    virtual double clockReading() = 0;
    // The game names each moment that has a sound as it happens, before the box that ends a
    // game. What the host does with it changes nothing in the game; by default, nothing.
    virtual void cue(Cue) {}
};

// Ends the program at once: nothing after it in the handler runs.
[[noreturn]] inline void End() { throw EndProgram{}; }

}  // namespace fenwing
