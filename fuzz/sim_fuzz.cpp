// libFuzzer target over the headless driver's command language: the input is a script, played
// in-process with the invariants checked after every event. It must never crash or hang; a
// malformed command must end in the driver's `error: LINE:` line; and an input that sets
// nothing by hand must never raise a run-time error or break a check.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "session/driver.h"
#include "session/properties.h"

namespace {

using fenwing::ScriptDriver;

// Virtual time an input may use in all: two minutes of play, a whole game and some. The driver
// allows an hour a command, which is far too slow for a fuzzer's many inputs.
constexpr double kBudgetMs = 120'000;

[[noreturn]] void bug(const char* what, std::string_view line, int number, const std::string& err) {
    std::fprintf(stderr, "fuzz: %s at line %d: %.*s\n%s", what, number, int(line.size()),
                 line.data(), err.c_str());
    std::abort();
}

std::string_view firstWord(std::string_view line, std::size_t& end) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) start = line.size();
    end = line.find_first_of(" \t", start);
    if (end == std::string_view::npos) end = line.size();
    return line.substr(start, end - start);
}

// The milliseconds of a well-formed `advance`, or a negative number for any other line.
double advanceMs(std::string_view line) {
    std::size_t end = 0;
    if (firstWord(line, end) != "advance") return -1;
    std::string_view rest = line.substr(end);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ' || rest.back() == '\t'))
        rest.remove_suffix(1);
    const std::string_view amount = firstWord(rest, end);
    if (amount.empty() || end != rest.size()) return -1;
    try {
        return fenwing::parseNumber(amount, "MS");
    } catch (const std::invalid_argument&) {
        return -1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::ostringstream out, err;
    ScriptDriver session(out, err);
    session.checkInvariants();
    bool setByHand = false;
    int number = 0;
    for (std::size_t at = 0; at < input.size();) {
        std::size_t end = input.find('\n', at);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view line = input.substr(at, end - at);
        at = end + 1;
        ++number;

        const double ms = advanceMs(line);
        const double now = double(session.form().scheduler().now()) / 1000;
        if (ms >= 0 && ms <= ScriptDriver::kMaxAdvanceMs && now + ms > kBudgetMs) break;
        std::size_t verbEnd = 0;
        if (firstWord(line, verbEnd) == "set") setByHand = true;

        err.str({});
        const ScriptDriver::Status status = session.execute(line, number);
        switch (status) {
            case ScriptDriver::Status::Running:
                if (!err.str().empty())
                    bug("a command that went through printed an error", line, number, err.str());
                continue;
            case ScriptDriver::Status::Ended:
                return 0;
            case ScriptDriver::Status::BadCommand:
                if (err.str().rfind("error: " + std::to_string(number) + ": ", 0) != 0)
                    bug("a bad command without its error line", line, number, err.str());
                return 0;
            case ScriptDriver::Status::RuntimeError:
                if (!setByHand) bug("a run-time error in play", line, number, err.str());
                return 0;
            case ScriptDriver::Status::CheckFailed:
                bug("an event broke an invariant", line, number, err.str());
        }
    }
    return 0;
}
