// Playing a command script with the checks on, and cutting a failing script down to the
// shortest one that still fails the same way.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "player.h"
#include "session/driver.h"

namespace fenwing::soak {

using Script = std::vector<std::string>;

// A headless game with the checks (and `plant`, if any) on, played one command at a time.
class CheckedGame {
  public:
    explicit CheckedGame(const Plant& plant = {});

    // Runs one command; returns the failure, or an empty text. The game ending the program and
    // a command the driver rejects count as failures too: the soak never asks for either.
    std::string run(const std::string& command);
    // What the last command printed.
    std::string printed() const { return out_.str(); }
    Form1& game() { return session_.game(); }
    Form& form() { return session_.form(); }

  private:
    std::ostringstream out_, err_;
    ScriptDriver session_{out_, err_};
    int line_ = 0;
};

// Plays the whole script on a fresh game; returns the first failure or an empty text.
std::string replay(const Script& script, const Plant& plant = {});

// What kind of failure a message is, without its line number and details: "check failed:
// shots shown", "runtime error 6", ...
std::string kindOf(const std::string& failure);

// Deletes commands, in ever smaller runs down to single ones, as long as the rest still fails
// with the same kind of failure. The result fails, and fails no more without any one of its
// commands.
Script shrink(Script script, const Plant& plant = {});

// The script as the driver reads it, one command a line.
std::string text(const Script& script);

}  // namespace fenwing::soak
