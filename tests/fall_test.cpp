// A shot duck: the hit, then the fall of 80 twips a tick until the field's bottom edge.
#include <gtest/gtest.h>

#include <string>

#include "sim_fixture.h"

namespace fenwing {
namespace {

using testing::kOutOfAmmo;

class Fall : public testing::SimTest {
  protected:
    // Starts a game at t = 0 with duck 1 at the given place, then shoots it.
    void shootDuckOneAt(const char* top, const char* left = "5000") {
        run((std::string("menu mnufileStart\nset ImgDuck1.Top ") + top + "\nset ImgDuck1.Left " +
             left + "\nclick ImgDuck1\n")
                .c_str());
        ASSERT_EQ(status(), ScriptDriver::Status::Running) << errors();
    }
    std::string duckOne() {
        return run(
            "get ImgDuck1.Top\nget ImgDuck1.Left\nget ImgDuck1.Picture\n"
            "get ImgDuck1.Visible\nget Tmrdead1.Enabled\n");
    }
};

TEST_F(Fall, TheWorkedFallFromTop9000) {
    shootDuckOneAt("9000");
    EXPECT_EQ(run("get TmrDuck1.Enabled\nget LblScore2.Caption\nget Shots\n"), "False\n1\n24\n");
    // Until the first fall tick it stands still with its flying picture.
    EXPECT_EQ(duckOne(), "9000\n5000\nduck-right\nTrue\nTrue\n");
    for (const char* top : {"9080", "9160", "9240", "9320"}) {
        run("fire Tmrdead1");
        EXPECT_EQ(duckOne(), std::string(top) + "\n5000\nduck-dead\nTrue\nTrue\n") << top;
    }
    run("fire Tmrdead1");  // lower edge 10300 >= 10245
    EXPECT_EQ(duckOne(), "9400\n5000\nduck-dead\nFalse\nFalse\n");
    run("fire Tmrdead1");  // its timer is off now
    EXPECT_EQ(get("ImgDuck1.Top"), "9400");
}

TEST_F(Fall, TouchingTheBottomEdgeIsEnough) {
    shootDuckOneAt("9265");  // 9345 + 900 = 10245 after one step
    run("fire Tmrdead1");
    EXPECT_EQ(duckOne(), "9345\n5000\nduck-dead\nFalse\nFalse\n");
    // Shot below the line already, it is hidden in its first fall tick.
    shootDuckOneAt("9400");
    run("fire Tmrdead1");
    EXPECT_EQ(duckOne(), "9480\n5000\nduck-dead\nFalse\nFalse\n");
}

TEST_F(Fall, FallTicksLeaveAFlyingDuckAlone) {
    run("menu mnufileStart\nset ImgDuck1.Top 5000\nfire Tmrdead1\nfire Tmrdead1");
    EXPECT_EQ(run("get ImgDuck1.Top\nget ImgDuck1.Picture\n"), "5000\nduck-right\n");
}

TEST_F(Fall, AllDucksFallAtTheSameRateInRealTime) {
    run("menu mnufileStart\nset ImgDuck1.Top 3000\nset Imgduck2.Top 3000\nset Imgduck2.Left 7000\n"
        "set Imgduck3.Top 3000\nset Imgduck3.Left 9000\n"
        "click ImgDuck1\nclick Imgduck2\nclick Imgduck3\nadvance 156.25");
    // Ten fall ticks each, no sideways move.
    EXPECT_EQ(run("get ImgDuck1.Top\nget Imgduck2.Top\nget Imgduck3.Top\nget ImgDuck1.Left\n"
                  "get Imgduck2.Left\nget Imgduck3.Left\n"),
              "3800\n3800\n3800\n1440\n7000\n9000\n");
}

TEST_F(Fall, AClickOnAFallingDuckCountsAgain) {
    shootDuckOneAt("3000");
    run("fire Tmrdead1\nclick ImgDuck1\nfire Tmrdead1");
    EXPECT_EQ(
        run("get LblScore2.Caption\nget Shots\nget LblShotsLeft2.Caption\nget ImgDuck1.Top\n"),
        "2\n23\n23\n3160\n");
}

TEST_F(Fall, TheLastShotOnADuckCountsTheHitFirst) {
    run("menu mnufileStart\nset Shots 1\nset ImgDuck1.Top 5000");
    EXPECT_EQ(run("click ImgDuck1"), kOutOfAmmo);
    EXPECT_EQ(run("get LblScore2.Caption\nget LblShotsLeft2.Caption\nget ImgDuck1.Visible\n"),
              "1\n0\nFalse\n");
    // Hidden by the end of the game, the shot duck stays where it was hit.
    run("advance 2000");
    EXPECT_EQ(duckOne(), "5000\n1440\nduck-right\nFalse\nTrue\n");
}

TEST_F(Fall, AFallingDuckStopsWhereItIsWhenTheGameEnds) {
    run("menu mnufileStart\nset ImgDuck1.Top 3000\nclick ImgDuck1\nadvance 46.875");  // 3 ticks
    ASSERT_EQ(get("ImgDuck1.Top"), "3240");
    run("set Shots 1\nclick imgField\nadvance 3000");
    EXPECT_EQ(duckOne(), "3240\n1440\nduck-dead\nFalse\nTrue\n");
    // A hidden duck cannot be clicked, so it is hit no more.
    EXPECT_EQ(run("click ImgDuck1\nclick_at 2000 3500\nget LblScore2.Caption"),
              std::string(kOutOfAmmo) + "1\n");
}

TEST_F(Fall, AFallingDuckBelowTheLineWhenTheGameEndsSwitchesItsTimerOff) {
    run("menu mnufileStart\nset ImgDuck1.Top 9360\nclick ImgDuck1\nset Shots 1\nclick imgField\n"
        "fire Tmrdead1");
    EXPECT_EQ(duckOne(), "9360\n1440\nduck-right\nFalse\nFalse\n");
}

TEST_F(Fall, StartDuringAFallLetsTheDuckFlyOnFromThere) {
    shootDuckOneAt("3000", "6000");
    run("fire Tmrdead1\nfire Tmrdead1\nmenu mnufileStart");
    EXPECT_EQ(run("get TmrDuck1.Enabled\nget ImgDuck1.Picture\nget ImgDuck1.Top\n"),
              "True\nduck-right\n3160\n");
    run("fire Tmrdead1\nfire TmrDuck1");  // flies again: up and to the left
    EXPECT_EQ(run("get ImgDuck1.Top\nget ImgDuck1.Left\n"), "3010\n5850\n");
}

TEST_F(Fall, StartShowsADuckThatHadLandedWhereItLanded) {
    shootDuckOneAt("9000");
    repeat("fire Tmrdead1", 5);
    ASSERT_EQ(get("ImgDuck1.Visible"), "False");
    run("menu mnufileStart");
    EXPECT_EQ(
        run("get ImgDuck1.Visible\nget ImgDuck1.Top\nget ImgDuck1.Picture\nget Tmrdead1.Enabled\n"),
        "True\n9400\nduck-right\nTrue\n");
}

}  // namespace
}  // namespace fenwing
