#include "host/qt/replay_player.h"

#include <algorithm>

#include "host/qt/qt_host.h"
#include "host/script/perform.h"

namespace fenwing::qt {

ReplayPlayer::ReplayPlayer(QtHost& host, std::vector<script::ScriptLine> script)
    : host_(host), script_(std::move(script)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { wake(); });
}

void ReplayPlayer::start() {
    clock_.start();
    offset_ = -host_.form().scheduler().now();
    wanted_ = clock();
    timer_.start(0);  // from the event loop, which a script that ends at once must end
}

Micros ReplayPlayer::clock() const { return clock_.nsecsElapsed() / 1000 - offset_; }

void ReplayPlayer::wake() {
    Micros now = clock();
    if (now - wanted_ > QtHost::kMaxLateness) {
        offset_ += now - wanted_;
        now = wanted_;
    }
    std::optional<Micros> next;
    bool done = false;
    host_.drive([&] {
        next = play(now);
        done = !next;
    });
    if (done) return host_.endReplay();
    if (!next) return;  // the game ended the program
    wanted_ = *next;
    timer_.start(millisUntil(*next, clock()));
}

std::optional<Micros> ReplayPlayer::play(Micros now) {
    Form& form = host_.form();
    for (; next_ < script_.size(); ++next_) {
        const script::Command& c = script_[next_].command;
        if (c.verb == script::Verb::Advance || c.verb == script::Verb::Stall) {
            if (!until_) until_ = form.scheduler().now() + c.micros;
            if (now < *until_) {
                if (c.verb == script::Verb::Stall) return *until_;  // the game stands still
                form.advanceTo(now);
                return std::min(*until_, form.scheduler().nextDue().value_or(*until_));
            }
            if (c.verb == script::Verb::Advance)
                form.advanceTo(*until_);
            else
                form.catchUpTo(*until_);
            until_.reset();
        } else {
            if (c.isInput()) host_.closeBoxes();
            script::perform(c, host_.game(), host_.random(), host_.output());
        }
    }
    return std::nullopt;
}

}  // namespace fenwing::qt
