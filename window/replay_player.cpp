#include "window/replay_player.h"

#include "window/window_host.h"

namespace fenwing::qt {

ReplayPlayer::ReplayPlayer(WindowHost& host, std::vector<script::ScriptLine> script)
    : host_(host), player_(host.session(), std::move(script)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { wake(); });
}

void ReplayPlayer::start() {
    clock_.start();
    timer_.start(0);  // from the event loop, which a script that ends at once must end
}

void ReplayPlayer::wake() {
    std::optional<Micros> next;
    host_.drive([&] {
        next = player_.playAlong(clock());
        return !next;  // the end of the script ends the program
    });
    if (!next) return;
    timer_.start(millisUntil(*next, clock()));
}

}  // namespace fenwing::qt
