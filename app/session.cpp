#include "app/session.h"

#include <QtCore/QFile>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "window/window_host.h"

namespace fenwing::app {

namespace {
std::string path(const QString& name) { return QFile::encodeName(name).toStdString(); }

bool cannotWrite(const QString& name) {
    std::fprintf(stderr, "fenwing: cannot write %s: %s\n", QFile::encodeName(name).constData(),
                 std::strerror(errno));
    return false;
}
}  // namespace

Session::Session() = default;
Session::~Session() = default;

bool Session::open(const Options& options) {
    if (!options.replay.isEmpty()) {
        // fenwing-sim's own errors and exit status for a script it cannot play.
        script_ = script::loadScript(path(options.replay), std::cerr);
        if (!script_) return false;
    } else {
        seed_ = static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch() /
                                           std::chrono::nanoseconds(1));
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

void Session::start(qt::WindowHost& host) {
    if (recorder_) host.session().record(std::move(recorder_));
    if (host.play().replay()) host.start();
}

int Session::end(qt::WindowHost& host, int status) {
    const std::string printed = host.finishSession();
    if (host.session().recordingFailed()) {
        std::fprintf(stderr, "fenwing: the recording %s stops where it could not be written\n",
                     QFile::encodeName(recordPath_).constData());
        if (status == 0) status = 1;
    }
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
