// The one timer scheduler. The real window and the headless driver share it; only the clock
// that drives advanceTo() differs.
//
// Time is kept in whole microseconds from the moment the form was created. The host's fastest
// tick is 1/64 s: a timer whose interval is below that ticks every 15.625 ms. Each timer keeps
// its own deadline and moves it on by exactly one period per tick, so ticks do not drift.
//
// Delivery order: the tick with the earliest deadline comes first; ticks due at the same moment
// come in the order the timers were added to the form (the layout's timer table, top to bottom).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace fenwing {

using Micros = std::int64_t;

class Scheduler {
  public:
    static constexpr Micros kFastestTick = 15625;  // 1/64 s

    static Micros periodOf(int intervalMs);

    int add(int intervalMs);  // returns the slot; disabled
    void setInterval(int slot, int intervalMs);
    void setEnabled(int slot, bool on);  // enabling starts the period from now()

    Micros now() const { return now_; }
    // now() in seconds: the game clock that Randomize reads, in every host.
    double seconds() const { return static_cast<double>(now_) / 1e6; }
    std::optional<Micros> nextDue() const;
    std::optional<Micros> dueOf(int slot) const;  // that timer's next tick, while it is enabled

    // Delivers, one at a time and in order, every tick due at or before `until`; while a tick is
    // delivered now() reads its deadline. Afterwards now() reads `until`.
    void advanceTo(Micros until, const std::function<void(int slot)>& deliver);

    // After a stall (a suspended machine, a busy desktop): every enabled timer whose deadline
    // lies at or before `until` ticks once, late, with now() reading `until`, in the order of
    // ticks due together; the deadlines a long stall skipped are merged into that one tick, and
    // each timer then keeps its phase. A timer switched on by one of these ticks starts its
    // period at `until`; one switched off before its turn does not tick. This is how a host that
    // queues at most one timer message per timer behaves.
    void catchUp(Micros until, const std::function<void(int slot)>& deliver);

  private:
    struct Entry {
        Micros period = kFastestTick;
        Micros due = 0;
        bool enabled = false;
    };
    int earliest() const;  // the slot due first, or -1

    std::vector<Entry> entries_;
    Micros now_ = 0;
};

// Whole milliseconds to wait from `now` for a deadline, rounded up: never early, at most a
// millisecond late; none for a deadline already passed.
int millisUntil(Micros due, Micros now);

}  // namespace fenwing
