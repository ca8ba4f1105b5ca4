// Runs one command of the driver's language on the game. Both hosts use it: fenwing-sim for
// every command, the window for its own input and for the commands of a replay.
#pragma once

#include <iosfwd>
#include <string>

#include "game/form1.h"
#include "host/random.h"
#include "host/script/command.h"

namespace fenwing::script {

// `get` and `state` print to `out`. The game's End and run-time errors come through as they are
// thrown; a command that was parsed by the Parser throws nothing else.
void perform(const Command& command, Form1& game, Random& random, std::ostream& out);

// What `state` prints: the time, every value `get` reads, in a fixed order, as
// `NAME.PROP VALUE` or `FIELD VALUE` lines, and when each running timer ticks next.
void printState(std::ostream& out, const Form1& game);

// What a message box prints where it is asked for: `msgbox TITLE | PROMPT`.
void printBox(std::ostream& out, const std::string& title, const std::string& prompt);

}  // namespace fenwing::script
