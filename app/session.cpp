#include "app/session.h"

#include <QtCore/QFile>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>

#include "window/best_keeper.h"
#include "window/player_name.h"
#include "window/window_host.h"

namespace fenwing::app {

namespace {
std::string path(const QString& name) { return QFile::encodeName(name).toStdString(); }

bool cannotWrite(const QString& name) {
    std::fprintf(stderr, "fenwing: cannot write %s: %s\n", QFile::encodeName(name).constData(),
                 std::strerror(errno));
    return false;
}

// The game numbered `number` among those finished in the recording `name`, as fenwing-sim
// --games lists them.
std::optional<best::BestGame> findGame(const QString& name, int number) {
    std::ifstream in(path(name), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const best::Replayed replayed = best::gamesOf(text, path(name));
    std::string numbers;
    for (const best::BestGame& game : replayed.games) {
        if (game.result.number == number) return game;
        numbers += (numbers.empty() ? "" : ", ") + std::to_string(game.result.number);
    }
    std::fprintf(stderr, "fenwing: %s has no finished game %d (%s)\n",
                 QFile::encodeName(name).constData(), number,
                 numbers.empty() ? "it has none" : ("its finished games are " + numbers).c_str());
    return std::nullopt;
}
}  // namespace

Session::Session() = default;
Session::~Session() = default;

bool Session::open(const Options& options) {
    if (!options.replay.isEmpty()) {
        // fenwing-sim's own errors and exit status for a script it cannot play.
        script_ = script::loadScript(path(options.replay), std::cerr);
        if (!script_) return false;
        if (options.game > 0 && !(game_ = findGame(options.replay, options.game))) return false;
    } else {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        seed_ = static_cast<std::uint64_t>(now / std::chrono::nanoseconds(1));
        started_ = std::chrono::duration_cast<std::chrono::seconds>(now).count();
    }
    if (!options.state.isEmpty()) {
        state_ = std::make_unique<std::ofstream>(path(options.state));
        if (!*state_) return cannotWrite(options.state);
        statePath_ = options.state;
    }
    if (!options.record.isEmpty()) {
        recorder_ = std::make_unique<script::Recorder>(path(options.record));
        if (!recorder_->ok()) return cannotWrite(options.record);
        recordPath_ = options.record;
    }
    return true;
}

QString Session::start(qt::WindowHost& host, qt::BestKeeper& keeper) {
    if (host.play().replay()) {
        host.start();
        return {};
    }
    return keeper.record(host.session(), qt::playerName(), started_, std::move(recorder_),
                         recordPath_);
}

int Session::end(qt::WindowHost& host, qt::BestKeeper& keeper, int status) {
    const std::string printed = host.finishSession();
    if (host.session().recordingFailed()) {
        std::fprintf(stderr, "fenwing: the recording %s stops where it could not be written\n",
                     QFile::encodeName(keeper.file()).constData());
        if (status == 0 && !recordPath_.isEmpty()) status = 1;  // the one asked for
    }
    if (const qt::BestStore::Update kept = keeper.finish(); !kept.problem.isEmpty())
        std::fprintf(stderr, "fenwing: the best games cannot be kept: %s\n",
                     qPrintable(kept.problem));
    return end(printed, status);
}

int Session::end(const std::string& printed, int status) {
    if (state_) {
        *state_ << printed;
        state_->flush();
        if (!*state_) {
            cannotWrite(statePath_);
            return status == 0 ? 1 : status;
        }
    }
    return status;
}

}  // namespace fenwing::app
