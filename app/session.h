// The files of a session in the window: the script it replays, the recording it writes as it
// is played, and the state it writes at exit (see --replay, --record and --state).
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "app/options.h"
#include "session/parser.h"
#include "session/recorder.h"

namespace fenwing::qt {
class WindowHost;
}  // namespace fenwing::qt

namespace fenwing::app {

class Session {
  public:
    Session();
    ~Session();

    // Reads and checks the whole script to replay and creates the files to write, before any
    // window opens. On a problem prints it and returns false: the program ends with status 2.
    bool open(const Options& options);

    // The script to replay, once: the window's host plays it.
    std::optional<std::vector<script::ScriptLine>> takeReplay() { return std::move(script_); }
    // The generator's starting state: the wall clock's, read once; a replay's is fenwing-sim's.
    std::uint64_t seed() const { return seed_; }

    // Starts recording or replaying on the window's host.
    void start(qt::WindowHost& host);
    // After the event loop: ends the session and writes its state. Returns the exit status.
    int end(qt::WindowHost& host, int status);

  private:
    std::uint64_t seed_ = 0;
    std::optional<std::vector<script::ScriptLine>> script_;
    std::unique_ptr<script::Recorder> recorder_;
    std::unique_ptr<std::ofstream> state_;
    QString statePath_, recordPath_;
};

}  // namespace fenwing::app
