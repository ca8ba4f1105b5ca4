// One command of the headless driver's language, parsed and checked, and written back as the
// line it came from. The language is documented in the README ("The headless driver"); it only
// ever grows.
#pragma once

#include <cstdint>
#include <string>

#include "host/scheduler.h"

namespace fenwing::script {

// The newest version of the language this driver reads; `version N` with a bigger N is refused.
inline constexpr std::uint64_t kVersion = 1;

// Longest single advance, so that no command can keep the driver busy for long.
inline constexpr double kMaxAdvanceMs = 3'600'000;
// Longest single stall: a machine suspended for up to a year (a stall delivers at most one tick
// a timer, however long it is).
inline constexpr double kMaxStallMs = 31'622'400'000;
// How far a script's clock may run, so that the microseconds never overflow.
inline constexpr Micros kLatestMicros = Micros{1000} * 366 * 24 * 3600 * 1'000'000;

enum class Verb { Menu, Key, Click, ClickAt, Fire, Advance, Stall, Get, Set, Seed, Version, State };

struct Command {
    Verb verb = Verb::State;
    std::string name;          // menu item, key, control, timer, or field; NAME of NAME.PROP
    std::string property;      // get and set: PROP of NAME.PROP; empty for a field
    std::string value;         // set
    float x = 0, y = 0;        // click_at, in twips
    Micros micros = 0;         // advance and stall
    std::uint64_t number = 0;  // seed and version

    // Game input: what a player does, as opposed to time passing or the driver's own commands.
    bool isInput() const {
        return verb == Verb::Menu || verb == Verb::Key || verb == Verb::Click ||
               verb == Verb::ClickAt;
    }
};

// The command as a line of the language (without the line break), which parses back to the
// same command: numbers are written so that they read back exactly.
std::string format(const Command& command);

// Microseconds as milliseconds, exactly: "1234.567", "1000", "0.001".
std::string millis(Micros micros);

}  // namespace fenwing::script
