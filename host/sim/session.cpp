#include "host/sim/session.h"

#include <istream>
#include <ostream>
#include <stdexcept>

#include "host/quote.h"
#include "host/script/perform.h"
#include "host/script/reader.h"
#include "playfield/layout.h"

namespace fenwing {

namespace {

// An event broke an invariant.
struct CheckFailure {
    std::string message;
};

}  // namespace

SimSession::SimSession(std::ostream& out, std::ostream& err)
    : out_(out),
      err_(err),
      form_(buildForm1()),
      game_(std::make_unique<Form1>(*form_, *this, random_)) {
    form_->deliver([this] { game_->Form_Load(); });
}

SimSession::~SimSession() = default;

int SimSession::exitCode(Status s) {
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

void SimSession::MsgBox(const std::string& prompt, int, const std::string& title) {
    script::printBox(out_, title, prompt);
}

void SimSession::cue(Cue cue) {
    if (printCues_) out_ << "cue " << cueName(cue) << '\n';
}

void SimSession::checkInvariants() {
    checker_ = std::make_unique<InvariantChecker>(*game_);
    form_->afterEvent = [this] {
        if (std::string broken = checker_->afterEvent(); !broken.empty())
            throw CheckFailure{std::move(broken)};
    };
}

double SimSession::clockReading() { return form_->scheduler().seconds(); }

SimSession::Status SimSession::execute(std::string_view line, int lineNumber, bool complete) {
    try {
        command(line, complete);
        return Status::Running;
    } catch (const EndProgram&) {
        out_ << "end\n";
        return Status::Ended;
    } catch (const RuntimeError& e) {
        out_.flush();
        err_ << "runtime error " << e.number() << ": " << e.what() << " (line " << lineNumber
             << ")\n";
        return Status::RuntimeError;
    } catch (const std::invalid_argument& e) {
        return badLine(e.what(), lineNumber);
    } catch (const CheckFailure& e) {
        return checkFailed(e.message, lineNumber);
    } catch (const std::logic_error& e) {
        // Such as an event that arrived while a handler was running: with checks on, a failed
        // check like any other; without, it ends the program as before.
        if (!checker_) throw;
        return checkFailed(e.what(), lineNumber);
    }
}

SimSession::Status SimSession::checkFailed(const std::string& message, int lineNumber) {
    out_.flush();
    err_ << "check failed: " << lineNumber << ": " << message << '\n';
    return Status::CheckFailed;
}

SimSession::Status SimSession::badLine(const char* reason, int lineNumber) {
    out_.flush();
    err_ << "error: " << where_ << lineNumber << ": " << reason << '\n';
    return Status::BadCommand;
}

SimSession::Status SimSession::run(std::istream& script, const std::string& file) {
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

void SimSession::command(std::string_view line, bool complete) {
    const std::optional<script::Command> command = parser_.parse(line, complete);
    if (!command) return;
    script::perform(*command, *game_, random_, out_);
    if (command->verb == script::Verb::Set && checker_) checker_->rebaseline();
}

}  // namespace fenwing
