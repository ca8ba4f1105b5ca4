// What the driver prints of the game: the whole state, and a box where it is asked for.
#pragma once

#include <iosfwd>
#include <string>

#include "game/form1.h"

namespace fenwing::script {

// What `state` prints: the time, every value `get` reads, in a fixed order, as
// `NAME.PROP VALUE` or `FIELD VALUE` lines, and when each running timer ticks next.
void printState(std::ostream& out, const Form1& game);

// What a message box prints where it is asked for: `msgbox TITLE | PROMPT`.
void printBox(std::ostream& out, const std::string& title, const std::string& prompt);

}  // namespace fenwing::script
