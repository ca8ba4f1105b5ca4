// The window's command line: what the player asked for, or why the program ends at once.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <optional>

namespace fenwing::app {

struct Options {
    QString record;  // --record FILE: write the session as a driver script
    QString replay;  // --replay FILE: play a driver script in the window
    QString state;   // --state FILE: at exit, write the boxes shown and the final state
    int game = 0;    // --game N, with --replay: watch only the recording's game N
    bool mute = false;
    bool platformGiven = false;  // Qt's -platform: a display of its own, such as offscreen
};

// Parses the arguments (without Qt's own, which QApplication takes). Returns the options to
// run with, or prints the help, the version or an error and returns the exit status.
struct Parsed {
    std::optional<Options> options;
    int status = 0;
};
Parsed parseCommandLine(const QStringList& arguments);

}  // namespace fenwing::app
