// The files of a session in the window: the script it replays (or the game of it to watch), the
// recording it writes as it is played, and the state it writes at exit (see --replay, --game,
// --record and --state).
#pragma once

#include <QtCore/QString>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/options.h"
#include "best/best_games.h"
#include "session/parser.h"
#include "session/recorder.h"

namespace fenwing::qt {
class BestKeeper;
class WindowHost;
}  // namespace fenwing::qt

namespace fenwing::app {

class Session {
  public:
    Session();
    ~Session();

    // Reads and checks the whole script to replay (and with --game finds that game in it) and
    // creates the files to write, before any window opens. On a problem prints it and returns
    // false: the program ends with status 2.
    bool open(const Options& options);

    // The script to replay, once: the window's host plays it.
    std::optional<std::vector<script::ScriptLine>> takeReplay() { return std::move(script_); }
    // The game to watch (--game), if one was asked for.
    const std::optional<best::BestGame>& game() const { return game_; }
    // The generator's starting state: the wall clock's, read once; a replay's is fenwing-sim's.
    std::uint64_t seed() const { return seed_; }

    // Starts recording or replaying on the window's host: a session played is recorded by
    // `keeper`, into the player's data folder, or with --record into its file. Returns what
    // keeps its games from being kept, or empty.
    QString start(qt::WindowHost& host, qt::BestKeeper& keeper);
    // After the event loop: ends the session, keeps its best games and writes its state. Returns
    // the exit status.
    int end(qt::WindowHost& host, qt::BestKeeper& keeper, int status);
    // After the event loop of a game watched: writes `printed` as its state. Returns the exit
    // status.
    int end(const std::string& printed, int status);

  private:
    std::uint64_t seed_ = 0;
    std::int64_t started_ = 0;  // seconds since 1970, when the session began
    std::optional<std::vector<script::ScriptLine>> script_;
    std::optional<best::BestGame> game_;
    std::unique_ptr<script::Recorder> recorder_;
    std::unique_ptr<std::ofstream> state_;
    QString statePath_, recordPath_;
};

}  // namespace fenwing::app
