// The ammunition crate and the clock item: countdowns, crossings, rewards and resets.
#include <gtest/gtest.h>

#include <string>

#include "host/text.h"
#include "playfield/random_range.h"
#include "sim_fixture.h"

namespace fenwing {
namespace {

using testing::kOutOfAmmo;
using testing::kTimeUp;

class Pickups : public testing::SimTest {
  protected:
    void expectWaitingAfterReset(const char* item, const char* countdown, int least, int most,
                                 const char* left) {
        EXPECT_EQ(get(std::string(item) + ".Visible"), "False");
        EXPECT_EQ(get(std::string(item) + ".Left"), left);
        const int top = num(std::string(item) + ".Top");
        EXPECT_TRUE(top >= 840 && top <= 10199) << top;
        const std::string count = get(std::string(countdown) + ".Caption");
        const int n = std::stoi(count);
        EXPECT_EQ(count, std::to_string(n));  // a whole number, as the game writes it
        EXPECT_TRUE(n >= least && n <= most) << count;
    }
    void expectCrateWaiting() { expectWaitingAfterReset("ImgAmmo", "LblAmmo", 5, 34, "11880"); }
    void expectClockWaiting() { expectWaitingAfterReset("ImgClock", "lblclock", 30, 79, "1440"); }
};

TEST_F(Pickups, TheFirstCrateAndClockOfTheFirstGame) {
    run("menu mnufileStart");
    EXPECT_EQ(run("advance 10000\nget LblAmmo.Caption\nget ImgAmmo.Visible\n"), "0\nFalse\n");
    EXPECT_EQ(run("advance 15.625\nget ImgAmmo.Visible\nget ImgAmmo.Left\nget ImgAmmo.Top\n"),
              "True\n11700\n7680\n");
    // 171 mover ticks in: still crossing, and the countdown has run on below zero.
    EXPECT_EQ(run("advance 2656.25\nget ImgAmmo.Visible\nget ImgAmmo.Left\nget LblAmmo.Caption\n"),
              "True\n1500\n-2\n");
    run("advance 15.625");  // the 172nd lands on the field's left edge
    expectCrateWaiting();
    const int count = num("LblAmmo.Caption");
    run("advance 312.5");  // the countdown goes on from the new count
    EXPECT_EQ(num("LblAmmo.Caption"), count - 1);

    EXPECT_EQ(run("advance 7000\nget lblclock.Caption\nget ImgClock.Visible\n"), "0\nFalse\n");
    EXPECT_EQ(run("advance 15.625\nget ImgClock.Visible\nget ImgClock.Left\nget ImgClock.Top\n"),
              "True\n1620\n2160\n");
}

TEST_F(Pickups, CrossingLengths) {
    struct Case {
        const char* item;
        const char* countdown;
        const char* mover;
        int firstTicks, laterTicks;
        const char* lastDrawn;  // Left on the tick before the reset
        bool crate;
    };
    for (const Case& c : {Case{"ImgAmmo", "LblAmmo", "tmrAmmoMove", 172, 174, "1500", true},
                          Case{"ImgClock", "lblclock", "tmrClockMove", 173, 175, "11880", false}}) {
        for (int ticks : {c.firstTicks, c.laterTicks}) {
            run((std::string("set ") + c.countdown + ".Caption 0").c_str());
            repeat(std::string("fire ") + c.mover, ticks - 1);
            EXPECT_EQ(get(std::string(c.item) + ".Visible"), "True") << c.item << " " << ticks;
            EXPECT_EQ(get(std::string(c.item) + ".Left"), c.lastDrawn) << c.item << " " << ticks;
            run((std::string("fire ") + c.mover).c_str());
            if (c.crate)
                expectCrateWaiting();
            else
                expectClockWaiting();
        }
    }
}

TEST_F(Pickups, AClockExactlyAtTheFarEdgeIsTakenAway) {
    run("set lblclock.Caption 0\nset ImgClock.Left 11849\nfire tmrClockMove");
    EXPECT_EQ(run("get ImgClock.Visible\nget ImgClock.Left\n"), "True\n11909\n");  // 12479
    run("set ImgClock.Left 11850\nfire tmrClockMove");                             // 12480: over
    expectClockWaiting();
}

TEST_F(Pickups, APositiveCountWaitsAndNoItemCrossesBeforeTheFirstStart) {
    bool seen = false;
    int events = 0;
    form().afterEvent = [&] {
        ++events;
        seen = seen || game().ImgAmmo.Visible() || game().ImgClock.Visible();
    };
    EXPECT_EQ(run("advance 3600000"), "");
    EXPECT_FALSE(seen);
    // An hour of both movers and tmrdead2, and one tick each of the two fall timers that stop.
    EXPECT_EQ(events, 3 * 230400 + 2);
    EXPECT_EQ(
        run("get LblAmmo.Caption\nget lblclock.Caption\nget ImgAmmo.Left\nget ImgClock.Left\n"),
        "10\n20\n11760\n1560\n");
    // A count written as "1" or "10" sorts after "0": still waiting.
    run("set LblAmmo.Caption 1\nfire tmrAmmoMove\nset lblclock.Caption 10\nfire tmrClockMove");
    EXPECT_FALSE(seen);
}

TEST_F(Pickups, ThreeClicksOnTheCrateGiveTwentyOneShotsAndTakeItAway) {
    run("menu mnufileStart\nset LblAmmo.Caption 0\nfire tmrAmmoMove");
    // A duck behind the crate: the crate alone gets the click, and no shot is spent.
    run("set ImgDuck1.Left 11500\nset ImgDuck1.Top 7500");
    EXPECT_EQ(run("click_at 11900 7900\nget Shots\nget LblShotsLeft2.Caption\nget AmmoClicks\n"
                  "get LblScore2.Caption\nget TmrDuck1.Enabled\n"),
              "32\n32\n1\n0\nTrue\n");
    EXPECT_EQ(run("click ImgAmmo\nget Shots\nget ImgAmmo.Visible\nget AmmoClicks\n"),
              "39\nTrue\n2\n");
    EXPECT_EQ(run("click ImgAmmo\nget Shots\nget LblShotsLeft2.Caption\nget AmmoClicks\n"),
              "46\n46\n0\n");
    expectCrateWaiting();
    EXPECT_EQ(run("click ImgAmmo\nget Shots\n"), "46\n");  // gone: no fourth reward
}

TEST_F(Pickups, ThreeClicksOnTheClockGiveSixtySeconds) {
    run("menu mnufileStart\nset lblclock.Caption 0\nfire tmrClockMove");
    EXPECT_EQ(run("click ImgClock\nclick ImgClock\nget LblTimeLeft.Caption\nget ClockClicks\n"
                  "get ImgClock.Visible\n"),
              "100\n2\nTrue\n");
    EXPECT_EQ(run("click ImgClock\nget LblTimeLeft.Caption\nget ClockClicks\nget Shots\n"
                  "get LblScore2.Caption\n"),
              "120\n0\n25\n0\n");
    expectClockWaiting();
    // The clock counts down from the larger number.
    EXPECT_EQ(run("advance 1000\nget LblTimeLeft.Caption\nadvance 1000\nget LblTimeLeft.Caption\n"),
              "119\n118\n");
}

TEST_F(Pickups, ClicksBeforeTheEdgeDoNotCountTowardsTheNextCrossing) {
    run("set LblAmmo.Caption 0\nfire tmrAmmoMove\nclick ImgAmmo\nclick ImgAmmo");
    EXPECT_EQ(run("get Shots\nget AmmoClicks\n"), "39\n2\n");
    repeat("fire tmrAmmoMove", 171);  // on to the left edge
    expectCrateWaiting();
    EXPECT_EQ(get("AmmoClicks"), "0");
    run("set LblAmmo.Caption -5\nfire tmrAmmoMove\nclick ImgAmmo\nclick ImgAmmo");
    EXPECT_EQ(run("get ImgAmmo.Visible\nget Shots\n"), "True\n53\n");
    run("click ImgAmmo");
    EXPECT_EQ(run("get ImgAmmo.Visible\nget Shots\nget LblShotsLeft2.Caption\n"),
              "False\n60\n60\n");

    run("set lblclock.Caption 0\nfire tmrClockMove\nclick ImgClock");
    repeat("fire tmrClockMove", 172);
    expectClockWaiting();
    EXPECT_EQ(run("get ClockClicks\nget LblTimeLeft.Caption\n"), "0\n80\n");
}

TEST_F(Pickups, ACrossingUnderWayWhenShotsRunOutStillRewards) {
    run("menu mnufileStart\nadvance 10500\nset Shots 1");
    EXPECT_EQ(run("click imgField"), kOutOfAmmo);
    const int left = num("ImgAmmo.Left");
    run("advance 100");
    EXPECT_LT(num("ImgAmmo.Left"), left);  // still crossing
    EXPECT_EQ(run("click ImgAmmo\nget Shots\nget LblShotsLeft2.Caption\nget TmrAmmo.Enabled\n"),
              "7\n7\nFalse\n");
    // The next miss spends one of them normally, with no box.
    EXPECT_EQ(run("click imgField\nget Shots\n"), "6\n");
    // The crossing ends; the new count stays frozen until the next Start.
    run("advance 3000");
    expectCrateWaiting();
    const int frozen = num("LblAmmo.Caption");
    run("advance 10000");
    EXPECT_EQ(num("LblAmmo.Caption"), frozen);
    run("menu mnufileStart\nadvance 1000");
    EXPECT_EQ(num("LblAmmo.Caption"), frozen - 1);
    EXPECT_EQ(run("get Shots\nget LblShotsLeft2.Caption\n"), "25\n25\n");
}

TEST_F(Pickups, AClockStillCrossingAfterTheGameEndsStillRewards) {
    run("menu mnufileStart\nadvance 20500\nset LblTimeLeft.Caption 1");
    ASSERT_EQ(get("ImgClock.Visible"), "True");
    EXPECT_EQ(run("advance 500"), kTimeUp);
    EXPECT_EQ(run("click ImgClock\nget LblTimeLeft.Caption\nget TmrTime.Enabled\n"), "80\nFalse\n");
    EXPECT_EQ(run("advance 5000\nget LblTimeLeft.Caption\n"), "80\n");
    EXPECT_EQ(run("menu mnufileStart\nget LblTimeLeft.Caption\n"), "60\n");

    // After running out of shots the reward adds to the frozen seconds.
    run("advance 1000\nset lblclock.Caption 0\nfire tmrClockMove\nset Shots 1\nclick imgField");
    EXPECT_EQ(
        run("click ImgClock\nget LblTimeLeft.Caption\nadvance 2000\nget LblTimeLeft.Caption\n"),
        "79\n79\n");
}

TEST_F(Pickups, ShotsStopAtTheLargest16BitNumber) {
    run("set Shots 32765\nset LblShotsLeft2.Caption 32765\nset LblAmmo.Caption 0\n"
        "fire tmrAmmoMove");
    EXPECT_EQ(run("click ImgAmmo\nget Shots\nget LblShotsLeft2.Caption\n"), "32767\n32767\n");
    EXPECT_EQ(run("click ImgAmmo\nget Shots\nget LblShotsLeft2.Caption\n"), "32767\n32767\n");
    EXPECT_EQ(status(), ScriptDriver::Status::Running) << errors();
    EXPECT_EQ(run("click imgField\nget Shots\nget LblShotsLeft2.Caption\n"), "32766\n32766\n");
}

using PickupDraws = testing::HostedGame;

TEST_F(PickupDraws, AResetDrawsTheHeightThenTheCountdown) {
    struct Case {
        Image& item;
        Label& countdown;
        Timer& mover;
        int range, base;
    };
    for (const Case& c : {Case{game.ImgAmmo, game.LblAmmo, game.tmrAmmoMove, 30, 5},
                          Case{game.ImgClock, game.lblclock, game.tmrClockMove, 50, 30}}) {
        idle(1'500'000);
        c.countdown.setCaption("0");
        form->fire(c.mover);
        form->click(c.item);
        form->click(c.item);
        Random expected = random;
        form->click(c.item);  // the third: a reset
        EXPECT_EQ(c.item.Top(), static_cast<float>(RandomRange(expected, *this, 9360, 840)));
        EXPECT_EQ(c.countdown.Caption(), Str(RandomRange(expected, *this, c.range, c.base)));
        EXPECT_EQ(random.state(), expected.state());
    }
}

}  // namespace
}  // namespace fenwing
