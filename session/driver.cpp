#include "session/driver.h"

#include <istream>
#include <ostream>
#include <stdexcept>

#include "session/quote.h"
#include "session/reader.h"

namespace fenwing {

ScriptDriver::ScriptDriver(std::ostream& out, std::ostream& err)
    : out_(out), err_(err), play_(Play::Commands{}, out) {}

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
        return badLine(e.what(), lineNumber);
    }
    if (!command) return Status::Running;
    play_.perform(*command);
    if (!play_.ended()) return Status::Running;
    const GameSession& session = play_.session();
    switch (play_.end()->reason) {
        case Play::End::Reason::Exit:
        case Play::End::Reason::ScriptEnd:
            return Status::Ended;
        case Play::End::Reason::RuntimeError:
            out_.flush();
            err_ << "runtime error " << session.errorNumber() << ": " << session.error()
                 << " (line " << lineNumber << ")\n";
            return Status::RuntimeError;
        case Play::End::Reason::CheckFailed:
            out_.flush();
            err_ << "check failed: " << lineNumber << ": " << session.error() << '\n';
            return Status::CheckFailed;
    }
    return Status::RuntimeError;
}

ScriptDriver::Status ScriptDriver::badLine(const char* reason, int lineNumber) {
    out_.flush();
    err_ << "error: " << where_ << lineNumber << ": " << reason << '\n';
    return Status::BadCommand;
}

ScriptDriver::Status ScriptDriver::run(std::istream& script, const std::string& file) {
    where_ = file.empty() ? std::string() : escaped(file) + ":";
    script::LineReader reader(script);
    std::string line;
    try {
        for (bool complete = true; reader.next(line, complete);) {
            const Status s = execute(line, reader.number(), complete);
            if (s != Status::Running) return s;
        }
    } catch (const std::invalid_argument& e) {  // a line too long to read
        return badLine(e.what(), reader.number());
    }
    return Status::Running;
}

}  // namespace fenwing
