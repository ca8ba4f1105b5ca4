// Form1's own variables, all 16 bits wide. Hits and seconds live only in label captions.
#pragma once

#include "host/int16.h"

namespace fenwing {

struct GameState {
    Boolean Duck1Up, Duck1Left;
    Boolean Duck2Up, Duck2Left;
    Boolean Duck3Up, Duck3Left;
    Int16 Shots;
    Int16 ClockClicks;
    Int16 AmmoClicks;
};

}  // namespace fenwing
