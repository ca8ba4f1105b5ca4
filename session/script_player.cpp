#include "session/script_player.h"

#include <algorithm>

namespace fenwing::script {

ScriptPlayer::ScriptPlayer(GameSession& session, std::vector<ScriptLine> script)
    : session_(session), script_(std::move(script)) {}

std::optional<Micros> ScriptPlayer::playTo(Micros t) {
    if (!stop_) return play(t);
    if (t < *stop_) {
        const std::optional<Micros> next = play(t);
        return next ? std::min(*next, *stop_) : next;
    }
    play(*stop_);
    return std::nullopt;
}

std::optional<Micros> ScriptPlayer::play(Micros t) {
    for (; next_ < script_.size(); ++next_) {
        const Command& c = script_[next_].command;
        if (c.verb == Verb::Advance || c.verb == Verb::Stall) {
            if (!until_) until_ = session_.now() + c.micros;
            if (t < *until_) {
                if (c.verb == Verb::Stall) return *until_;  // the game stands still
                session_.advanceTo(t);
                // In step with a host's clock, a still game's host sleeps until a tick will
                // change the picture (see GameSession::nextWake).
                const std::optional<Micros> due =
                    along_ ? session_.nextWake() : session_.form().scheduler().nextDue();
                return std::min(*until_, due.value_or(*until_));
            }
            c.verb == Verb::Advance ? session_.advanceTo(*until_) : session_.stallTo(*until_);
            until_.reset();
            continue;
        }
        if (onCommand) onCommand(c);
        session_.perform(c);
    }
    return std::nullopt;
}

std::optional<Micros> ScriptPlayer::playAlong(Micros now) {
    if (!started_) {
        started_ = true;
        offset_ = now - session_.now();
        wanted_ = session_.now();
    }
    Micros at = now - offset_;
    if (at - wanted_ > GameSession::kMaxLateness) {
        offset_ += at - wanted_;
        at = wanted_;
    }
    along_ = true;
    const std::optional<Micros> next = playTo(at);
    along_ = false;
    if (!next) return std::nullopt;
    wanted_ = *next;
    return *next + offset_;
}

}  // namespace fenwing::script
