// Writes a session in the window, as it is played, as a script of the driver's language:
// fenwing-sim plays it again headless, tick for tick, and fenwing --replay in the window.
//
//   version 1          the language it is written in
//   seed N             the generator's starting state
//   advance MS         time passing up to the moment of the next input, exact to the microsecond
//   click_at X Y       an input: also `menu ITEM` (chosen with the mouse) or `key KEY`
//   advance MS         up to the window's last wake before a stall...
//   stall MS           ...and the stall: each timer that fell due ticks once, late
//   ...
//   state              at the end: the final state...
//   key Del            ...before the input that ended the program, if one did
//
// Each event is written and flushed as it happens, so a crash or a kill loses at most the
// event that was being written.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

#include "session/command.h"

namespace fenwing::script {

class Recorder {
  public:
    // Creates the file, or replaces it; ok() tells whether that worked.
    explicit Recorder(const std::string& path);
    // Writes to `out`, which the caller keeps for as long as the recorder lives; it must be able
    // to go back (as a std::stringstream can) for ended().
    explicit Recorder(std::ostream& out);
    bool ok() const { return ok_; }

    // The first lines: comments that say what the recording is (`comments`, whole lines, each
    // beginning with '#'; by default that it is a session in the window), the language's version
    // and the generator's starting state.
    void begin(std::uint64_t seed, const std::string& comments = {});
    // A comment line, "# TEXT", between the lines written so far and the next ones; a line
    // break in `text` ends it there.
    void comment(const std::string& text);
    // An input delivered at `at`, after every tick due until then.
    void input(Micros at, const Command& command);
    // Before a catch-up: the timers ticked normally up to `from`, then nothing until `to`.
    void stall(Micros from, Micros to);
    // The session ends at `at`, with the game still running: the last moment and `state`.
    void finish(Micros at);
    // The last input ended the program (only the game's Exit does): `state` goes before it.
    void ended();
    // A run-time error at `at` ended the program: the time up to the tick that raised it.
    void failed(Micros at);
    // The time up to `at` (no earlier than what is written), written now rather than with the
    // next input: what happened until then, such as a game that the clock ended, is in the file
    // even if the program is killed before it writes again.
    void reach(Micros at) { advanceTo(at); }
    // What finish(at) would write, without writing it: a host that shows the recording before
    // the session ends closes it this way.
    std::string closing(Micros at) const;

  private:
    // The lines that take the script from `from` to `at`.
    static std::string advance(Micros from, Micros at);
    void advanceTo(Micros at);
    void write(const std::string& text);

    std::unique_ptr<std::ofstream> owned_;  // the file, when the recorder opened it
    std::ostream& file_;
    bool ok_ = false;
    Micros written_ = 0;  // the moment the script has reached
    std::ostream::pos_type lastInput_ = -1;
    std::string lastInputLine_;
};

}  // namespace fenwing::script
