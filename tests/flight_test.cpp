// Duck flight, tick by tick: one step on each axis, then at most one bounce.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_fixture.h"

namespace fenwing {
namespace {

struct Step {
    std::string top, left;
    std::string up;       // the vertical flag after the tick
    std::string goLeft;   // the horizontal flag after the tick
    std::string picture;  // the picture after the tick
};

class Flight : public testing::SimTest {
  protected:
    // Places duck 1 and lets its flight timer run, but only by hand.
    void place(const char* top, const char* left, const char* up, const char* goLeft) {
        run(("set ImgDuck1.Top " + std::string(top) + "\nset ImgDuck1.Left " + left +
             "\nset Duck1Up " + up + "\nset Duck1Left " + goLeft + "\nset TmrDuck1.Enabled True\n")
                .c_str());
        ASSERT_EQ(status(), ScriptDriver::Status::Running) << errors();
    }
    void expectTicks(const std::vector<Step>& steps, int first = 1) {
        int tick = first;
        for (const Step& s : steps) {
            EXPECT_EQ(
                run("fire TmrDuck1\nget ImgDuck1.Top\nget ImgDuck1.Left\nget Duck1Up\n"
                    "get Duck1Left\nget ImgDuck1.Picture\n"),
                s.top + "\n" + s.left + "\n" + s.up + "\n" + s.goLeft + "\n" + s.picture + "\n")
                << "tick " << tick;
            ++tick;
        }
    }
};

TEST_F(Flight, AtACornerTheTopEdgeComesBeforeTheRight) {
    place("990", "11040", "True", "False");
    expectTicks({
        {"840", "11190", "False", "False", "duck-right"},  // top: 840 <= 840
        {"990", "11340", "False", "True", "duck-left"},    // right: 12645 >= 12480
        {"1140", "11190", "False", "True", "duck-left"},   // right again: 12495 >= 12480
        {"1290", "11040", "False", "True", "duck-left"},   // inside
    });
}

TEST_F(Flight, AtACornerTheTopEdgeComesBeforeTheLeft) {
    // Flying up and left, facing left; the left bounce turns the picture.
    place("990", "1590", "True", "True");
    run("set ImgDuck1.Picture duck-left");
    expectTicks({
        {"840", "1440", "False", "True", "duck-left"},     // top: the left edge waits a tick
        {"990", "1290", "False", "False", "duck-right"},   // left: 1290 <= 1440
        {"1140", "1440", "False", "False", "duck-right"},  // left again, exactly on the line
        {"1290", "1590", "False", "False", "duck-right"},  // inside
    });
}

TEST_F(Flight, DuckOneAtTheFirstStartBouncesOffTheLeftEdgeTwice) {
    run("menu mnufileStart");
    ASSERT_EQ(get("ImgDuck1.Picture"), "duck-right");
    expectTicks({
        {"9210", "1290", "True", "False", "duck-right"},  // left: 1290 <= 1440
        {"9060", "1440", "True", "False", "duck-right"},  // exactly on the edge line
        {"8910", "1590", "True", "False", "duck-right"},
    });
}

TEST_F(Flight, ADuckBeyondTwoEdgeLinesTurnsLeftFirstAndSinksOn) {
    place("10199", "12599", "False", "False");
    std::vector<Step> steps = {{"10349", "12749", "False", "True", "duck-left"}};
    for (int t = 2; t <= 30; ++t) {
        // Sinking up to tick 12, rising from there; always flying left.
        steps.push_back({std::to_string(10199 + 150 * (t <= 12 ? t : 24 - t)),
                         std::to_string(12749 - 150 * (t - 1)), t < 12 ? "False" : "True", "True",
                         "duck-left"});
    }
    // Tick 12 turned it upward at 11999, and tick 30 is the first inside the bottom line.
    ASSERT_EQ(steps[11].top, "11999");
    ASSERT_EQ(steps[29].top, "9299");
    ASSERT_EQ(steps[29].left, "8399");
    expectTicks(steps);
}

TEST_F(Flight, OnlySideBouncesSetThePicture) {
    // Facing right while flying left: only a side bounce repaints, even to the same picture.
    place("9300", "6000", "False", "True");
    run("set ImgDuck1.Picture duck-right");
    expectTicks({{"9450", "5850", "True", "True", "duck-right"}});  // bottom: 10350 >= 10245
    place("900", "6000", "True", "True");
    expectTicks({{"750", "5850", "False", "True", "duck-right"}});  // top
    place("3000", "11100", "True", "False");
    run("set ImgDuck1.Picture duck-left");
    expectTicks({{"2850", "11250", "True", "True", "duck-left"}});  // right, already facing left
    place("5000", "1590", "True", "True");
    expectTicks({{"4850", "1440", "True", "False", "duck-right"}});  // left
}

TEST_F(Flight, ADuckExactlyOnAnEdgeLineBounces) {
    place("5000", "11025", "True", "False");
    expectTicks({{"4850", "11175", "True", "True", "duck-left"}});  // right: 12480 >= 12480
    place("9195", "5000", "False", "True");
    expectTicks({{"9345", "4850", "True", "True", "duck-left"}});  // bottom: 10245 >= 10245
    // One twip short of each line: no bounce.
    place("5000", "11024", "True", "False");
    run("set ImgDuck1.Picture duck-right");
    expectTicks({{"4850", "11174", "True", "False", "duck-right"}});
    place("9194", "5000", "False", "True");
    expectTicks({{"9344", "4850", "False", "True", "duck-right"}});
}

TEST_F(Flight, EachDuckHasItsOwnStep) {
    run("menu mnufileStart");
    // Duck 2 starts in the field's top-left corner flying up and right; duck 3 up and left.
    EXPECT_EQ(run("fire TmrDuck2\nget Imgduck2.Top\nget Imgduck2.Left\nget Duck2Up\n"
                  "fire TmrDuck3\nget Imgduck3.Top\nget Imgduck3.Left\nget Duck3Up\n"
                  "get Duck3Left\n"),
              "715\n1565\nFalse\n9303\n11103\nTrue\nTrue\n");
    EXPECT_EQ(run("fire TmrDuck2\nget Imgduck2.Top\nget Imgduck2.Left\n"), "840\n1690\n");
}

TEST_F(Flight, AHiddenDuckWhoseFlightTimerRunsKeepsFlying) {
    place("5000", "5000", "True", "True");
    run("advance 156.25");  // ten fastest ticks
    EXPECT_EQ(run("get ImgDuck1.Visible\nget ImgDuck1.Top\nget ImgDuck1.Left\n"),
              "False\n3500\n3500\n");
}

}  // namespace
}  // namespace fenwing
