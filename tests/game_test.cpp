// The flow of a game: Start, shots and hits, the clock, new flocks and both ends.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "game/fields.h"
#include "playfield/layout.h"
#include "playfield/random_range.h"
#include "sim_fixture.h"

namespace fenwing {
namespace {

using testing::kOutOfAmmo;
using testing::kTimeUp;

class Game : public testing::SimTest {
  protected:
    std::set<std::string> enabledTimers() {
        std::set<std::string> on;
        for (Timer* t : form().timers())
            if (t->Enabled()) on.insert(t->name());
        return on;
    }
    std::string ducksShown() {
        return run("get ImgDuck1.Visible\nget Imgduck2.Visible\nget Imgduck3.Visible\n");
    }
    std::string duckPlaces() {
        return run(
            "get ImgDuck1.Left\nget ImgDuck1.Top\nget Imgduck2.Left\nget Imgduck2.Top\n"
            "get Imgduck3.Left\nget Imgduck3.Top\n");
    }
};

const std::set<std::string> kAllTimers = {"tmrAmmoMove", "tmrClockMove", "TmrAmmo",  "TmrClock",
                                          "TmrTime",     "tmrdead3",     "tmrdead2", "Tmrdead1",
                                          "TmrDuck3",    "TmrDuck2",     "TmrDuck1"};
// What is still running after either end of a game in which no duck was hit.
const std::set<std::string> kAfterAnEnd = {"tmrAmmoMove", "tmrClockMove", "tmrdead3", "tmrdead2",
                                           "Tmrdead1",    "TmrDuck3",     "TmrDuck2", "TmrDuck1"};

TEST_F(Game, FirstStartShowsTheDucksWhereTheyStand) {
    run("advance 500");  // the low ducks' fall timers have switched themselves off
    EXPECT_EQ(run("menu mnufileStart"), "");
    EXPECT_EQ(ducksShown(), "True\nTrue\nTrue\n");
    EXPECT_EQ(duckPlaces(), "1440\n9360\n1440\n840\n11160\n9360\n");
    EXPECT_EQ(run("get ImgDuck1.Picture\nget Imgduck2.Picture\nget Imgduck3.Picture\n"
                  "get LblTimeLeft.Caption\nget LblShotsLeft2.Caption\nget Shots\n"
                  "get LblScore2.Caption\nget ImgAmmo.Visible\nget LblAmmo.Caption\n"),
              "duck-right\nduck-right\nduck-left\n60\n25\n25\n0\nFalse\n10\n");
    EXPECT_EQ(enabledTimers(), kAllTimers);
    run("advance 1000");
    EXPECT_EQ(get("LblTimeLeft.Caption"), "59");
}

TEST_F(Game, StartInMidGameRestoresClockAndShotsButKeepsTheHits) {
    run("menu mnufileStart\nadvance 5500\nclick imgField\nclick imgField\nclick Imgduck2");
    ASSERT_EQ(run("get LblTimeLeft.Caption\nget Shots\nget LblScore2.Caption\n"), "55\n22\n1\n");
    const std::string flags = run("get Duck1Up\nget Duck1Left\nget Duck2Up\nget Duck2Left\n");
    const std::string places = duckPlaces();
    run("menu mnufileStart");
    EXPECT_EQ(run("get LblTimeLeft.Caption\nget Shots\nget LblShotsLeft2.Caption\n"
                  "get LblScore2.Caption\nget TmrDuck2.Enabled\n"),
              "60\n25\n25\n1\nTrue\n");
    EXPECT_EQ(duckPlaces(), places);
    EXPECT_EQ(run("get Duck1Up\nget Duck1Left\nget Duck2Up\nget Duck2Left\n"), flags);
    // The clock goes on with its own period: its next tick is at the 6th second.
    run("advance 500");
    EXPECT_EQ(get("LblTimeLeft.Caption"), "59");
}

TEST_F(Game, TheSixtiethClockTickEndsTheGame) {
    run("menu mnufileStart\nclick imgField\nclick ImgDuck1");
    EXPECT_EQ(run("advance 59000\nget LblTimeLeft.Caption"), "1\n");
    EXPECT_EQ(run("advance 1000"), kTimeUp);
    EXPECT_EQ(run("get LblTimeLeft.Caption\nget Shots\nget LblShotsLeft2.Caption\n"
                  "get LblScore2.Caption\n"),
              "60\n23\n23\n1\n");
    EXPECT_EQ(ducksShown(), "False\nFalse\nFalse\n");
    EXPECT_EQ(enabledTimers(), (std::set<std::string>{"tmrAmmoMove", "tmrClockMove", "tmrdead3",
                                                      "tmrdead2", "TmrDuck3", "TmrDuck2"}));
    // Nothing counts any more, but a miss still spends a shot, the last one with its box.
    EXPECT_EQ(run("advance 30000\nget LblTimeLeft.Caption\nset Shots 1"), "60\n");
    EXPECT_EQ(run("click imgField\nget LblShotsLeft2.Caption"), std::string(kOutOfAmmo) + "0\n");
}

TEST_F(Game, TheLastShotEndsTheGameAndFurtherMissesOnlyRepeatTheBox) {
    run("menu mnufileStart\nadvance 2000");
    EXPECT_EQ(run("set Shots 2\nclick imgField\nget LblShotsLeft2.Caption"), "1\n");
    EXPECT_EQ(run("click imgField"), kOutOfAmmo);
    EXPECT_EQ(run("get Shots\nget LblShotsLeft2.Caption\nget LblTimeLeft.Caption\n"), "0\n0\n58\n");
    EXPECT_EQ(ducksShown(), "False\nFalse\nFalse\n");
    const std::string places = duckPlaces();
    EXPECT_EQ(run("click imgField\nclick_at 2000 2000"), std::string(kOutOfAmmo) + kOutOfAmmo);
    EXPECT_EQ(run("get Shots\nget LblShotsLeft2.Caption\nget LblScore2.Caption\n"
                  "get LblTimeLeft.Caption\n"),
              "0\n0\n0\n58\n");
    EXPECT_EQ(enabledTimers(), kAfterAnEnd);
    // The clock stays frozen while the ducks fly on unseen.
    run("advance 5000");
    EXPECT_EQ(get("LblTimeLeft.Caption"), "58");
    EXPECT_NE(duckPlaces(), places);
}

TEST_F(Game, StartAfterEitherEndShowsTheDucksWhereTheyFlewMeanwhile) {
    for (const char* end : {"advance 60000", "set Shots 1\nclick imgField"}) {
        run("menu mnufileStart\nadvance 700");
        run(end);
        run("advance 3000");
        ASSERT_EQ(ducksShown(), "False\nFalse\nFalse\n") << end;
        const std::string places = duckPlaces();
        run("menu mnufileStart");
        EXPECT_EQ(ducksShown(), "True\nTrue\nTrue\n") << end;
        EXPECT_EQ(duckPlaces(), places) << end;
        EXPECT_EQ(run("get LblTimeLeft.Caption\nget Shots\n"), "60\n25\n") << end;
        EXPECT_EQ(enabledTimers(), kAllTimers) << end;
    }
}

TEST_F(Game, ThreeHitsBringANewFlockAtTheNextClockTick) {
    run("menu mnufileStart\nset LblTimeLeft.Caption 1000\nadvance 250");
    for (int flock = 0; flock < 5; ++flock) {  // at 0.25 s past a clock tick
        // Two down, one flying: the next tick only counts.
        run("click ImgDuck1\nclick Imgduck2\nadvance 1000");
        ASSERT_EQ(run("get TmrDuck1.Enabled\nget ImgDuck1.Picture\nget TmrDuck3.Enabled\n"),
                  "False\nduck-dead\nTrue\n");
        const int time = num("LblTimeLeft.Caption");
        const std::string flags =
            run("get Duck1Up\nget Duck1Left\nget Duck2Up\nget Duck2Left\n"
                "get Duck3Up\nget Duck3Left\n");
        // The third hit; the next tick counts and puts up a new flock at once.
        run("click Imgduck3\nadvance 749.999");
        ASSERT_EQ(get("TmrDuck3.Enabled"), "False");
        EXPECT_EQ(run("advance 0.001"), "");
        EXPECT_EQ(num("LblTimeLeft.Caption"), time - 1);
        EXPECT_EQ(ducksShown(), "True\nTrue\nTrue\n");
        EXPECT_EQ(run("get ImgDuck1.Picture\nget Imgduck2.Picture\nget Imgduck3.Picture\n"),
                  "duck-right\nduck-right\nduck-left\n");
        EXPECT_EQ(enabledTimers(), kAllTimers);
        for (const char* duck : {"ImgDuck1", "Imgduck2", "Imgduck3"}) {
            const int left = num(std::string(duck) + ".Left"),
                      top = num(std::string(duck) + ".Top");
            EXPECT_TRUE(left >= 1440 && left <= 12599 && top >= 840 && top <= 10199)
                << duck << " at " << left << ", " << top;
        }
        // The directions carry over to the new flock.
        EXPECT_EQ(run("get Duck1Up\nget Duck1Left\nget Duck2Up\nget Duck2Left\nget Duck3Up\n"
                      "get Duck3Left\n"),
                  flags);
        run("advance 250");
    }
    EXPECT_EQ(run("get LblScore2.Caption\nget Shots\n"), "15\n10\n");
}

TEST_F(Game, TimeUpWinsOverANewFlock) {
    run("menu mnufileStart\nadvance 59500\nclick ImgDuck1\nclick Imgduck2\nclick Imgduck3");
    ASSERT_EQ(get("LblTimeLeft.Caption"), "1");
    const std::string lefts = run("get ImgDuck1.Left\nget Imgduck2.Left\nget Imgduck3.Left\n");
    EXPECT_EQ(run("advance 500"), kTimeUp);
    EXPECT_EQ(ducksShown(), "False\nFalse\nFalse\n");
    EXPECT_EQ(run("get TmrDuck1.Enabled\nget TmrDuck2.Enabled\nget TmrDuck3.Enabled\n"
                  "get TmrTime.Enabled\nget LblTimeLeft.Caption\nget LblScore2.Caption\n"),
              "False\nFalse\nFalse\nFalse\n60\n3\n");
    // No new places were drawn: shot ducks only ever move down.
    EXPECT_EQ(run("get ImgDuck1.Left\nget Imgduck2.Left\nget Imgduck3.Left\n"), lefts);
    EXPECT_EQ(run("advance 5000"), "");
}

using GameEnds = testing::HostedGame;

TEST_F(GameEnds, EachEndStopsTheClockAndHidesTheDucksBeforeItsBox) {
    start();
    game.state.Shots = 1;
    click("imgField");
    start();
    game.state.Shots = 1;
    click("Imgduck3");  // the last shot on a duck: the hit is counted before the box
    start();
    game.LblTimeLeft.setCaption("1");
    form->fire(game.TmrTime);
    start();
    form->fire(game.TmrTime);
    form->choose(form->menuItem("mnuhelpAbout"));  // a help box stops nothing
    EXPECT_EQ(boxes,
              (std::vector<std::string>{
                  "Oh no! | You ran out of ammo! The ducks got away!! | 0 | off off off on "
                  "hidden hidden hidden 60 0",
                  "Oh no! | You ran out of ammo! The ducks got away!! | 0 | off off off on "
                  "hidden hidden hidden 60 1",
                  "Fail | Awww. The remaining ducks got away!!! Try again? | 0 | off off off "
                  "on hidden hidden hidden 60 1",
                  "About | Fenwing 1.0, a duck shooting game for one player | 0 | on on on on "
                  "shown shown shown 59 1"}));
}

TEST_F(GameEnds, NewFlockDrawsLeftThenTopForEachDuckInTurn) {
    idle(3'000'000);
    start();
    click("ImgDuck1");
    click("Imgduck2");
    click("Imgduck3");
    Random expected = random;  // the same state, and the same clock reading for all six draws
    form->fire(game.TmrTime);
    for (const Image* duck : {&game.ImgDuck1, &game.Imgduck2, &game.Imgduck3}) {
        EXPECT_EQ(duck->Left(), static_cast<float>(RandomRange(expected, *this, 11160, 1440)))
            << duck->name();
        EXPECT_EQ(duck->Top(), static_cast<float>(RandomRange(expected, *this, 9360, 840)))
            << duck->name();
    }
    EXPECT_EQ(random.state(), expected.state());  // and nothing else was drawn
}

// The one list of GameState's fields agrees with the duck and bonus tables: each duck's two
// direction flags are flags under its own names, each item's clicks and the shots are numbers,
// and every field is found under its exact name only.
TEST(GameFields, HoldEachDucksFlagsAndEachItemsClicks) {
    for (std::size_t i = 0; i < kDuckSpecs.size(); ++i) {
        const std::string duck = "Duck" + std::to_string(i + 1);
        EXPECT_EQ(gameField(kDuckSpecs[i].up).name, duck + "Up");
        EXPECT_EQ(gameField(kDuckSpecs[i].left).name, duck + "Left");
        EXPECT_TRUE(gameField(kDuckSpecs[i].up).flag && gameField(kDuckSpecs[i].left).flag);
    }
    EXPECT_EQ(gameField(kPickupSpecs[0].clicks).name, "AmmoClicks");
    EXPECT_EQ(gameField(kPickupSpecs[1].clicks).name, "ClockClicks");
    for (auto member : {&GameState::Shots, &GameState::AmmoClicks, &GameState::ClockClicks})
        EXPECT_FALSE(gameField(member).flag) << gameField(member).name;
    for (const GameField& field : kGameFields) EXPECT_EQ(findGameField(field.name), &field);
    EXPECT_EQ(findGameField("shots"), nullptr);
    EXPECT_EQ(findGameField("Shots "), nullptr);
}

}  // namespace
}  // namespace fenwing
