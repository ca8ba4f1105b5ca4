#include "session/play.h"

#include <limits>

namespace fenwing {

namespace {
// A script's generator state is its own: it starts from 0, as fenwing-sim's does.
constexpr std::uint64_t kReplaySeed = 0;
}  // namespace

Play::Play(std::uint64_t seed, std::ostream& out) : session_(seed, out) {
    session_.playerAtControls();
}

Play::Play(std::vector<script::ScriptLine> script, std::ostream& out) : session_(kReplaySeed, out) {
    player_.emplace(session_, std::move(script));
}

Play::Play(Commands, std::ostream& out) : session_(kReplaySeed, out) {}

Play::~Play() = default;

void Play::run(const std::function<void()>& events) {
    if (end_) return;
    std::optional<End> end;
    switch (session_.run(events)) {
        case GameSession::Status::Running:
            return;
        case GameSession::Status::Ended:
            end = End{End::Reason::Exit, {}};
            break;
        case GameSession::Status::RuntimeError:
            end = End{End::Reason::RuntimeError, "Run-time error '" +
                                                     std::to_string(session_.errorNumber()) +
                                                     "':\n\n" + session_.error()};
            break;
        case GameSession::Status::CheckFailed:
            end = End{End::Reason::CheckFailed, session_.error()};
            break;
    }
    ended(std::move(*end));
}

void Play::ended(End end) {
    if (end_) return;
    end_ = std::move(end);
    if (onEnd) onEnd(*end_);
}

std::optional<Micros> Play::next() {
    if (end_) return std::nullopt;
    if (player_) return replayNext_;
    return session_.nextWake();
}

std::optional<Micros> Play::wake(Micros now) {
    if (!player_) {
        run([&] { session_.wake(now); });
        return next();
    }
    bool done = false;
    run([&] {
        replayNext_ = player_->playAlong(now);
        done = !replayNext_;
    });
    if (done) ended({End::Reason::ScriptEnd, {}});
    return next();
}

std::optional<Micros> Play::input(Micros now, const script::Command& command) {
    if (player_) return next();
    run([&] {
        session_.wake(now);
        session_.perform(command);
    });
    return next();
}

void Play::perform(const script::Command& command) {
    run([&] { session_.perform(command); });
}

void Play::skipTo(Micros t) {
    if (!player_) return;
    bool done = false;
    run([&] { done = !player_->playTo(t); });
    if (done) ended({End::Reason::ScriptEnd, {}});
}

void Play::stopAt(Micros t) {
    if (player_) player_->stopAt(t);
}

void Play::goOn(Micros t) {
    if (!player_ || !end_ || end_->reason != End::Reason::ScriptEnd) return;
    // The program has not ended: the game runs on as fenwing-sim's would after the script.
    const GameSession::Status status = session_.run([&] { session_.advanceTo(t); });
    if (status != GameSession::Status::Running) end_->reason = End::Reason::Exit;
}

void Play::onCommand(std::function<void(const script::Command&)> told) {
    if (player_) player_->onCommand = std::move(told);
}

void Play::finish(Micros now) {
    if (end_) return;
    if (!player_) run([&] { session_.wake(now); });  // the ticks due until the host closed
    if (end_) return;
    session_.finish();
}

}  // namespace fenwing
