#include "host/scheduler.h"

#include <algorithm>

namespace fenwing {

Micros Scheduler::periodOf(int intervalMs) {
    return std::max<Micros>(kFastestTick, static_cast<Micros>(intervalMs) * 1000);
}

int Scheduler::add(int intervalMs) {
    entries_.push_back({periodOf(intervalMs), 0, false});
    return static_cast<int>(entries_.size()) - 1;
}

void Scheduler::setInterval(int slot, int intervalMs) {
    entries_.at(slot).period = periodOf(intervalMs);
}

void Scheduler::setEnabled(int slot, bool on) {
    Entry& e = entries_.at(slot);
    if (on && !e.enabled) e.due = now_ + e.period;
    e.enabled = on;
}

int Scheduler::earliest() const {
    int best = -1;
    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        const Entry& e = entries_[i];
        if (e.enabled && (best < 0 || e.due < entries_[best].due)) best = i;
    }
    return best;
}

std::optional<Micros> Scheduler::nextDue() const {
    const int slot = earliest();
    if (slot < 0) return std::nullopt;
    return entries_[slot].due;
}

std::optional<Micros> Scheduler::dueOf(int slot) const {
    const Entry& e = entries_.at(slot);
    if (!e.enabled) return std::nullopt;
    return e.due;
}

void Scheduler::advanceTo(Micros until, const std::function<void(int slot)>& deliver) {
    for (;;) {
        const int slot = earliest();
        if (slot < 0 || entries_[slot].due > until) break;
        Entry& e = entries_[slot];
        now_ = e.due;
        e.due += e.period;
        deliver(slot);
    }
    now_ = std::max(now_, until);
}

void Scheduler::catchUp(Micros until, const std::function<void(int slot)>& deliver) {
    now_ = std::max(now_, until);
    for (std::size_t slot = 0; slot < entries_.size(); ++slot) {
        Entry& e = entries_[slot];
        if (!e.enabled || e.due > now_) continue;
        e.due += ((now_ - e.due) / e.period + 1) * e.period;
        deliver(static_cast<int>(slot));
    }
}

int millisUntil(Micros due, Micros now) {
    return static_cast<int>((std::max<Micros>(0, due - now) + 999) / 1000);
}

}  // namespace fenwing
