#include "replay.h"

#include <algorithm>
#include <stdexcept>

namespace fenwing::soak {

CheckedGame::CheckedGame(const Plant& plant) {
    session_.checkInvariants();
    if (!plant) return;
    session_.form().afterEvent = [checks = session_.form().afterEvent, plant, this] {
        checks();
        // The driver reports a logic error under the checks as a failed check.
        if (std::string broken = plant(session_.game()); !broken.empty())
            throw std::logic_error("planted: " + broken);
    };
}

std::string CheckedGame::run(const std::string& command) {
    out_.str({});
    err_.str({});
    const int line = ++line_;
    ScriptDriver::Status status;
    try {
        status = session_.execute(command, line);
    } catch (const std::exception& e) {
        return "exception: " + std::to_string(line) + ": " + e.what();
    }
    switch (status) {
        case ScriptDriver::Status::Running:
            return {};
        case ScriptDriver::Status::Ended:
            return "end: " + std::to_string(line) + ": the game ended the program";
        default: {
            std::string message = err_.str();
            while (!message.empty() && message.back() == '\n') message.pop_back();
            return message;
        }
    }
}

std::string replay(const Script& script, const Plant& plant) {
    CheckedGame game(plant);
    for (const std::string& command : script)
        if (std::string failure = game.run(command); !failure.empty()) return failure;
    return {};
}

std::string kindOf(const std::string& failure) {
    const std::string checkFailed = "check failed: ";
    if (failure.starts_with(checkFailed)) {
        // "check failed: LINE: NAME: detail"
        const auto name = failure.find(": ", checkFailed.size());
        if (name == std::string::npos) return failure;
        const auto end = failure.find(':', name + 2);
        return checkFailed + failure.substr(name + 2, end - (name + 2));
    }
    return failure.substr(0, failure.find(':'));  // "runtime error 6", "error", "exception"
}

Script shrink(Script script, const Plant& plant) {
    const std::string kind = kindOf(replay(script, plant));
    if (kind.empty()) return script;  // it does not fail at all
    const auto failsTheSame = [&](const Script& s) {
        const std::string failure = replay(s, plant);
        return !failure.empty() && kindOf(failure) == kind;
    };
    for (std::size_t run = std::max<std::size_t>(1, script.size() / 2);;
         run = std::max<std::size_t>(1, run / 2)) {
        bool removed = false;
        for (std::size_t at = 0; at < script.size();) {
            Script shorter = script;
            shorter.erase(shorter.begin() + at,
                          shorter.begin() + std::min(script.size(), at + run));
            if (failsTheSame(shorter)) {
                script = std::move(shorter);
                removed = true;
            } else {
                at += run;
            }
        }
        if (run == 1 && !removed) return script;
    }
}

std::string text(const Script& script) {
    std::string out;
    for (const std::string& command : script) out += command + '\n';
    return out;
}

}  // namespace fenwing::soak
