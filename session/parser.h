// Reads lines of the driver's language into commands, checking each as fully as can be done
// before it runs: its words, its numbers, and its names and values against the layout. The
// errors are the driver's own ("error: FILE:LINE: REASON"; "error: LINE: REASON" on standard
// input), and quote the line's text safely (see session/quote.h). fenwing-sim parses a line at a
// time as it reads; the window's replay parses a whole script before it plays any of it.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/form.h"
#include "session/command.h"

namespace fenwing::script {

class Parser {
  public:
    Parser();
    ~Parser();
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // The command on one line, or none for a blank line or a comment. A bad line, and any line
    // with a control byte other than a tab (or a carriage return before its line break), throws
    // std::invalid_argument with the reason. `complete`: whether a line break ended the line;
    // once a script has given its version, a line without one was cut short, and is refused
    // (a recording written to its end ends each line).
    std::optional<Command> parse(std::string_view line, bool complete = true);

  private:
    bool versioned_ = false;
    Micros clock_ = 0;  // the script's time so far
    // A form of its own, as laid out, to check names and values against: `set` tries its
    // value here.
    std::unique_ptr<Form> layout_;
};

struct ScriptLine {
    int number;  // counted from 1, blank lines and comments included
    Command command;
};

// The first bad line of a script.
struct ScriptError {
    int line;
    std::string reason;
};

// Every command of a script, each line read (see LineReader) and checked; throws ScriptError at
// the first bad line, ReadError when the script cannot be read.
std::vector<ScriptLine> parseScript(std::istream& in);

// A script file, read and checked whole. On a problem, says so on `err` in the driver's words
// ("error: cannot read PATH: REASON", "error: PATH:LINE: REASON") and returns none.
std::optional<std::vector<ScriptLine>> loadScript(const std::string& path, std::ostream& err);

}  // namespace fenwing::script
