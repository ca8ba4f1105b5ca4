#include "session/driver.h"

#include <istream>
#include <ostream>
#include <stdexcept>

namespace fenwing {

ScriptDriver::ScriptDriver(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), session_(0, out) {}

int ScriptDriver::exitCode(Status s) {
    switch (s) {
        case Status::Running:
        case Status::Ended:
            return 0;
        case Status::BadCommand:
            return 2;
        case Status::RuntimeError:
            return 3;
        case Status::CheckFailed:
            return 4;
    }
    return 3;
}

ScriptDriver::Status ScriptDriver::execute(std::string_view line, int lineNumber, bool complete) {
    std::optional<script::Command> command;
    try {
        command = parser_.parse(line, complete);
    } catch (const std::invalid_argument& e) {
        out_.flush();
        err_ << "error: " << lineNumber << ": " << e.what() << '\n';
        return Status::BadCommand;
    }
    if (!command) return Status::Running;
    switch (session_.run([&] { session_.perform(*command); })) {
        case GameSession::Status::Running:
            return Status::Running;
        case GameSession::Status::Ended:
            return Status::Ended;
        case GameSession::Status::RuntimeError:
            out_.flush();
            err_ << "runtime error " << session_.errorNumber() << ": " << session_.error()
                 << " (line " << lineNumber << ")\n";
            return Status::RuntimeError;
        case GameSession::Status::CheckFailed:
            out_.flush();
            err_ << "check failed: " << lineNumber << ": " << session_.error() << '\n';
            return Status::CheckFailed;
    }
    return Status::RuntimeError;
}

ScriptDriver::Status ScriptDriver::run(std::istream& script) {
    std::string line;
    int number = 0;
    while (std::getline(script, line)) {
        const Status s = execute(line, ++number, !script.eof());
        if (s != Status::Running) return s;
    }
    return Status::Running;
}

}  // namespace fenwing
