#include "session/games.h"

#include "session/command.h"

namespace fenwing {

const char* endingName(GameResult::Ending ending) {
    return ending == GameResult::Ending::Time ? "time" : "shots";
}

std::optional<GameResult::Ending> endingNamed(const std::string& name) {
    if (name == "time") return GameResult::Ending::Time;
    if (name == "shots") return GameResult::Ending::Shots;
    return std::nullopt;
}

std::string describe(const GameResult& g) {
    return "game " + std::to_string(g.number) + " from " + script::millis(g.start) + " to " +
           script::millis(g.end) + " ended " + endingName(g.ending) + " hits " +
           std::to_string(g.hits) + " shots " + std::to_string(g.shots) + " crates " +
           std::to_string(g.crates) + " clocks " + std::to_string(g.clocks);
}

// What happens outside a game (a click before the first Start, a crate clicked after the end,
// the out-of-shots box shown again) belongs to none.
void GameLog::cue(Cue cue, Micros now) {
    if (cue == Cue::Start) {
        open_ = GameResult{};  // a game still running is cut short
        open_->number = ++starts_;
        open_->start = now;
        return;
    }
    if (!open_) return;
    switch (cue) {
        case Cue::Hit:
            ++open_->hits;
            return;
        case Cue::Shot:
            ++open_->shots;
            return;
        case Cue::Ammo:
            ++open_->crates;
            return;
        case Cue::Clock:
            ++open_->clocks;
            return;
        case Cue::TimeUp:
        case Cue::OutOfAmmo:
            open_->ending =
                cue == Cue::TimeUp ? GameResult::Ending::Time : GameResult::Ending::Shots;
            open_->end = now;
            finished_.push_back(*open_);
            open_.reset();
            if (onFinished) onFinished(finished_.back());
            return;
        case Cue::Start:
        case Cue::Ground:
        case Cue::Flock:
            return;
    }
}

}  // namespace fenwing
