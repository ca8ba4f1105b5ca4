// fenwing-board's command line: serving the board, or posting a recording to one.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "board/service.h"

namespace fenwing::board {

// What `fenwing-board [serve] OPTIONS` asks for.
struct ServeCommand {
    Options options;
    std::string data;      // the SQLite store's folder
    std::string postgres;  // a PostgreSQL connection string; the SQLite store when empty
};

// The options of `serve`, or none after saying what is wrong on `err`. `environment` gives an
// environment variable's value (FENWING_BOARD_POSTGRES, STATE_DIRECTORY, XDG_DATA_HOME, HOME).
std::optional<ServeCommand> serveOptions(const std::vector<std::string>& args,
                                         std::string (*environment)(const char*),
                                         std::ostream& err);

// The whole command line: serves until SIGINT or SIGTERM, or posts. Returns the exit status.
int boardCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::string& version);

}  // namespace fenwing::board
