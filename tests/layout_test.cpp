// The window as it is laid out and loaded, and the random range.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "playfield/layout.h"
#include "playfield/random_range.h"
#include "sim_fixture.h"

namespace fenwing {
namespace {

using testing::SimTest;
using LoadedForm = SimTest;

TEST_F(LoadedForm, OnlyTheFieldAndSevenLabelsShow) {
    std::vector<std::string> shown;
    for (VisualControl* c : form().stacking())
        if (c->Visible()) shown.push_back(c->name());
    EXPECT_EQ(shown,
              (std::vector<std::string>{"LblTimeLeft", "lblyay", "LblShotsLeft2", "LblShotsLeft",
                                        "LblScore2", "lblscore", "lbltitle", "imgField"}));
    EXPECT_EQ(form().stacking().back()->name(), "imgField");  // the backmost
}

TEST_F(LoadedForm, CountersFlagsAndShotsAfterLoad) {
    EXPECT_EQ(run("get LblScore2.Caption\nget LblTimeLeft.Caption\nget LblShotsLeft2.Caption\n"
                  "get LblAmmo.Caption\nget lblclock.Caption\nget lbltitle.Caption\n"),
              "0\n60\n25\n10\n20\nFenwing\n");
    EXPECT_EQ(run("get Duck1Up\nget Duck1Left\nget Duck2Up\nget Duck2Left\nget Duck3Up\n"
                  "get Duck3Left\nget Shots\nget ClockClicks\nget AmmoClicks\n"),
              "True\nTrue\nTrue\nFalse\nTrue\nTrue\n25\n0\n0\n");
    EXPECT_EQ(game().state.Duck2Left.value(), 0);
    EXPECT_EQ(game().state.Duck1Up.value(), -1);
}

TEST_F(LoadedForm, FiveTimersRunFromLoad) {
    std::set<std::string> enabled;
    std::vector<std::string> order;
    for (Timer* t : form().timers()) {
        order.push_back(t->name());
        if (t->Enabled()) enabled.insert(t->name());
    }
    EXPECT_EQ(enabled, (std::set<std::string>{"tmrAmmoMove", "tmrClockMove", "Tmrdead1", "tmrdead2",
                                              "tmrdead3"}));
    EXPECT_EQ(order, (std::vector<std::string>{"tmrAmmoMove", "tmrClockMove", "TmrAmmo", "TmrClock",
                                               "TmrTime", "tmrdead3", "tmrdead2", "Tmrdead1",
                                               "TmrDuck3", "TmrDuck2", "TmrDuck1"}));
    EXPECT_EQ(run("get TmrTime.Interval\nget TmrDuck1.Interval\n"), "1000\n1\n");
}

TEST_F(LoadedForm, FallTimersOfTheLowDucksStopAtTheirFirstTick) {
    run("advance 15.624");
    EXPECT_EQ(get("Tmrdead1.Enabled"), "True");
    run("advance 0.001");
    EXPECT_EQ(run("get Tmrdead1.Enabled\nget tmrdead2.Enabled\nget tmrdead3.Enabled\n"),
              "False\nTrue\nFalse\n");
    // The hidden ducks were not moved and got no dead picture; tmrdead2 ticks on without effect.
    run("advance 5000");
    EXPECT_EQ(get("tmrdead2.Enabled"), "True");
    EXPECT_EQ(run("get ImgDuck1.Top\nget Imgduck2.Top\nget Imgduck3.Top\nget ImgDuck1.Picture\n"
                  "get Imgduck2.Picture\nget Imgduck3.Picture\n"),
              "9360\n840\n9360\nduck-right\nduck-right\nduck-left\n");
}

TEST_F(LoadedForm, StartingPlacesAtTheEdges) {
    const Rect field = form().image("imgField").rect(), d1 = form().image("ImgDuck1").rect(),
               d2 = form().image("Imgduck2").rect(), d3 = form().image("Imgduck3").rect();
    EXPECT_EQ(field.left + field.width, 12480);
    EXPECT_EQ(field.top + field.height, 10245);
    EXPECT_EQ(d1.top + d1.height, 10260);  // 15 below the field's bottom
    EXPECT_EQ(d3.top + d3.height, 10260);
    EXPECT_EQ(d3.left + d3.width, 12465);  // 15 inside its right edge
    EXPECT_EQ(d2, (Rect{field.left, field.top, 1305, 900}));
    EXPECT_EQ(form().image("ImgAmmo").rect(), (Rect{11760, 7680, 600, 555}));  // right edge 12360
    EXPECT_EQ(form().image("ImgClock").rect(), (Rect{1560, 2160, 570, 570}));
    // The three duck pictures keep a duck at 1305 x 900.
    for (const char* name : {"duck-right", "duck-left", "duck-dead"}) {
        const Picture& p = form().picture(name);
        EXPECT_EQ(p.widthPx * 15, 1305) << name;
        EXPECT_EQ(p.heightPx * 15, 900) << name;
    }
}

// A clock that never moves, as inside one handler.
struct StoppedClock : Services {
    double reading = 12.5;
    void MsgBox(const std::string&, int, const std::string&) override {}
    double clockReading() override { return reading; }
};

TEST(RandomRange, StaysWithinItsBounds) {
    Random random(42);
    StoppedClock clock;
    std::set<double> seen;
    for (int i = 0; i < 20000; ++i) {
        clock.reading = i * 0.015625;
        const double v = RandomRange(random, clock, 30, 5);
        ASSERT_GE(v, 5);
        ASSERT_LE(v, 34);
        ASSERT_EQ(v, std::floor(v));
        seen.insert(v);
        const double top = RandomRange(random, clock, 9360, 840);
        ASSERT_GE(top, 840);
        ASSERT_LT(top, 10200);
        ASSERT_EQ(top, std::floor(top));
    }
    EXPECT_EQ(seen.size(), 30u);  // every value from 5 to 34 turns up
    for (int i = 0; i < 100000; ++i) {
        const float r = random.Rnd();
        ASSERT_TRUE(r >= 0.0f && r < 1.0f) << r;
    }
}

TEST(RandomRange, ARangeOfOneGivesTheBase) {
    Random random(7);
    StoppedClock clock;
    for (int i = 0; i < 100; ++i) EXPECT_EQ(RandomRange(random, clock, 1, 840), 840);
}

TEST(RandomRange, CallsWithOneClockReadingStillDiffer) {
    for (std::uint64_t seed : {0u, 1u, 99u}) {
        Random random(seed);
        StoppedClock clock;
        std::set<double> values;
        for (int i = 0; i < 6; ++i) values.insert(RandomRange(random, clock, 11160, 1440));
        EXPECT_GT(values.size(), 1u);
        EXPECT_EQ(values.size(), 6u);
    }
}

}  // namespace
}  // namespace fenwing
