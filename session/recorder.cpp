#include "session/recorder.h"

#include <algorithm>

namespace fenwing::script {

namespace {
constexpr Micros kLongestAdvance = static_cast<Micros>(kMaxAdvanceMs) * 1000;
constexpr Micros kLongestStall = static_cast<Micros>(kMaxStallMs) * 1000;

std::string line(Verb verb, Micros micros) {
    Command c;
    c.verb = verb;
    c.micros = micros;
    return format(c) + '\n';
}
}  // namespace

Recorder::Recorder(const std::string& path)
    : owned_(std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc)),
      file_(*owned_) {
    ok_ = static_cast<bool>(file_);
}

Recorder::Recorder(std::ostream& out) : file_(out) { ok_ = static_cast<bool>(file_); }

void Recorder::begin(std::uint64_t seed, const std::string& comments) {
    write((comments.empty() ? "# A session in the window: fenwing-sim plays it headless, fenwing "
                              "--replay in the window.\n"
                            : comments) +
          "version " + std::to_string(kVersion) + "\nseed " + std::to_string(seed) + "\n");
}

void Recorder::comment(const std::string& text) {
    write("# " + text.substr(0, text.find_first_of("\r\n")) + "\n");
}

// Longer waits than one advance may take are split.
std::string Recorder::advance(Micros from, Micros at) {
    std::string text;
    while (at > from) {
        const Micros step = std::min(at - from, kLongestAdvance);
        text += line(Verb::Advance, step);
        from += step;
    }
    return text;
}

void Recorder::advanceTo(Micros at) {
    write(advance(written_, at));
    written_ = std::max(written_, at);
}

void Recorder::input(Micros at, const Command& command) {
    advanceTo(at);
    lastInput_ = file_.tellp();
    lastInputLine_ = format(command) + '\n';
    write(lastInputLine_);
}

// A stall longer than one `stall` may take (a year) is written as several, which tick the
// overdue timers once each rather than once in all: the one place where a recording is not
// exact.
void Recorder::stall(Micros from, Micros to) {
    advanceTo(from);
    std::string text;
    for (Micros left = to - from; text.empty() || left > 0;) {
        const Micros step = std::min(left, kLongestStall);
        text += line(Verb::Stall, step);
        left -= step;
    }
    write(text);
    written_ = to;
}

void Recorder::finish(Micros at) {
    write(closing(at));
    written_ = std::max(written_, at);
}

std::string Recorder::closing(Micros at) const { return advance(written_, at) + "state\n"; }

void Recorder::ended() {
    if (lastInput_ == std::ostream::pos_type(-1)) return;
    file_.seekp(lastInput_);
    write("state\n" + lastInputLine_);
}

void Recorder::failed(Micros at) { advanceTo(at); }

void Recorder::write(const std::string& text) {
    if (text.empty() || !ok_) return;
    file_ << text;
    file_.flush();
    ok_ = static_cast<bool>(file_);
}

}  // namespace fenwing::script
