// The timer scheduler: tick rates, the order of ticks due together, and switching timers.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/scheduler.h"

namespace fenwing {
namespace {

constexpr Micros kSecond = 1'000'000;

struct Recorder {
    std::vector<std::pair<Micros, int>> ticks;  // (time, slot)
    Scheduler* scheduler = nullptr;
    std::function<void(int)> deliver() {
        return [this](int slot) { ticks.emplace_back(scheduler->now(), slot); };
    }
    int count(int slot) const {
        int n = 0;
        for (const auto& t : ticks) n += t.second == slot;
        return n;
    }
};

TEST(Scheduler, AMinuteOfTicks) {
    Scheduler s;
    const int fast = s.add(1), fast2 = s.add(15), second = s.add(1000), off = s.add(1);
    const int slower = s.add(16);  // just above the fastest tick
    for (int slot : {fast, fast2, second, slower}) s.setEnabled(slot, true);
    Recorder r{{}, &s};
    s.advanceTo(60 * kSecond, r.deliver());
    EXPECT_EQ(r.count(fast), 3840);
    EXPECT_EQ(r.count(fast2), 3840);
    EXPECT_EQ(r.count(second), 60);
    EXPECT_EQ(r.count(off), 0);
    EXPECT_EQ(r.count(slower), 3750);
    EXPECT_EQ(s.now(), 60 * kSecond);
    // No drift: the last fast tick falls exactly on the minute.
    EXPECT_EQ(r.ticks.back().first, 60 * kSecond);
}

TEST(Scheduler, TicksDueTogetherComeInTheOrderTheTimersWereAdded) {
    Scheduler s;
    const int a = s.add(1000), b = s.add(1), c = s.add(1000);
    for (int slot : {c, b, a}) s.setEnabled(slot, true);  // the switching order does not count
    Recorder r{{}, &s};
    s.advanceTo(kSecond, r.deliver());
    ASSERT_EQ(r.ticks.size(), 64u + 2u);
    // At the second all three are due: a, b, c in table order.
    const std::vector<std::pair<Micros, int>> last(r.ticks.end() - 3, r.ticks.end());
    EXPECT_EQ(last,
              (std::vector<std::pair<Micros, int>>{{kSecond, a}, {kSecond, b}, {kSecond, c}}));
    // Earlier deadlines always come first, whatever the slot.
    for (std::size_t i = 1; i < r.ticks.size(); ++i)
        EXPECT_LE(r.ticks[i - 1].first, r.ticks[i].first);
}

TEST(Scheduler, EnablingStartsThePeriodFromThatMoment) {
    Scheduler s;
    const int clock = s.add(1000), other = s.add(1000);
    Recorder r{{}, &s};
    s.advanceTo(300'000, r.deliver());  // nothing enabled
    EXPECT_TRUE(r.ticks.empty());
    EXPECT_EQ(s.now(), 300'000);
    s.setEnabled(clock, true);
    EXPECT_EQ(s.nextDue(), 1'300'000);
    // Enabling again does not restart the period.
    s.advanceTo(900'000, r.deliver());
    s.setEnabled(clock, true);
    EXPECT_EQ(s.nextDue(), 1'300'000);
    // Off and on again does.
    s.setEnabled(clock, false);
    EXPECT_EQ(s.nextDue(), std::nullopt);
    s.setEnabled(clock, true);
    EXPECT_EQ(s.nextDue(), 1'900'000);
    // A timer switched on inside a tick counts from that tick's deadline.
    s.advanceTo(1'900'000, [&](int slot) {
        r.ticks.emplace_back(s.now(), slot);
        if (slot == clock) s.setEnabled(other, true);
    });
    EXPECT_EQ(r.ticks, (std::vector<std::pair<Micros, int>>{{1'900'000, clock}}));
    s.advanceTo(2'900'000, r.deliver());
    EXPECT_EQ(r.ticks.back(), std::make_pair(Micros{2'900'000}, other));
    EXPECT_EQ(r.count(clock), 2);
}

TEST(Scheduler, ATimerSwitchedOffByAnEarlierTickAtTheSameMomentDoesNotTick) {
    Scheduler s;
    const int first = s.add(1), second = s.add(1);
    s.setEnabled(first, true);
    s.setEnabled(second, true);
    std::vector<int> order;
    s.advanceTo(Scheduler::kFastestTick, [&](int slot) {
        order.push_back(slot);
        if (slot == first) s.setEnabled(second, false);
    });
    EXPECT_EQ(order, std::vector<int>{first});
}

// After a stall each overdue timer ticks once, late, in table order, and then keeps its phase.
TEST(Scheduler, AStallGivesEachOverdueTimerOneLateTick) {
    Scheduler s;
    const int fast = s.add(1), clock = s.add(1000), idle = s.add(1000);
    s.setEnabled(fast, true);
    s.setEnabled(clock, true);
    Recorder r{{}, &s};
    // A 300 ms stall across the clock's first deadline: that tick comes once, late...
    s.advanceTo(900'000, r.deliver());
    r.ticks.clear();
    s.catchUp(1'200'000, r.deliver());
    EXPECT_EQ(r.ticks,
              (std::vector<std::pair<Micros, int>>{{1'200'000, fast}, {1'200'000, clock}}));
    EXPECT_EQ(s.now(), 1'200'000);
    // ...and the next one on time, the fast timer back in its 15.625 ms steps.
    EXPECT_EQ(s.nextDue(), 1'203'125);
    s.advanceTo(2 * kSecond, r.deliver());
    EXPECT_EQ(r.count(clock), 2);
    EXPECT_EQ(r.ticks.back(), std::make_pair(2 * kSecond, clock));
    // A 2.5 s stall: the clock's three deadlines merge into one tick.
    r.ticks.clear();
    s.catchUp(4'500'000, r.deliver());
    EXPECT_EQ(r.count(clock), 1);
    EXPECT_EQ(r.count(fast), 1);
    s.advanceTo(5 * kSecond, r.deliver());
    EXPECT_EQ(r.ticks.back(), std::make_pair(5 * kSecond, clock));
    EXPECT_EQ(r.count(clock), 2);
    // A timer switched on by a late tick starts its period then; one not yet due waits.
    r.ticks.clear();
    s.catchUp(5'500'000, [&](int slot) {
        r.ticks.emplace_back(s.now(), slot);
        if (slot == fast) s.setEnabled(idle, true);
    });
    EXPECT_EQ(r.ticks, (std::vector<std::pair<Micros, int>>{{5'500'000, fast}}));
    s.advanceTo(6'500'000, r.deliver());
    EXPECT_EQ(r.ticks.back(), std::make_pair(Micros{6'500'000}, idle));
}

TEST(Scheduler, TheWaitForADeadlineIsNeverEarly) {
    EXPECT_EQ(millisUntil(115'625, 100'000), 16);
    EXPECT_EQ(millisUntil(101'000, 100'000), 1);
    EXPECT_EQ(millisUntil(100'001, 100'000), 1);
    EXPECT_EQ(millisUntil(100'000, 100'000), 0);
    EXPECT_EQ(millisUntil(90'000, 100'000), 0);
}

}  // namespace
}  // namespace fenwing
