// The soak: an hour of random play in virtual time with every check after every event; and the
// soak's own parts: a failure is found, reported with its seed, and cut down to its shortest
// script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "player.h"
#include "replay.h"

namespace fenwing::soak {
namespace {

// FENWING_SOAK_MINUTES: simulated minutes for each of the four quarters (60 by default: four
// hours a run). FENWING_SOAK_SEED: the first seed (1 by default).
double minutesPerQuarter() {
    const char* v = std::getenv("FENWING_SOAK_MINUTES");
    return v ? std::atof(v) : 60;
}
std::uint64_t firstSeed() {
    const char* v = std::getenv("FENWING_SOAK_SEED");
    return v ? std::strtoull(v, nullptr, 10) : 1;
}

// The seed, what failed, and the shortest script that fails the same way, also written to a
// file in `folder` for fenwing-sim --check.
std::string report(std::uint64_t seed, const Session& s, const Plant& plant = {},
                   const std::string& folder = "") {
    const Script shortest = shrink(s.script, plant);
    const std::string path = folder + "soak-failure-" + std::to_string(seed) + ".sim";
    std::ofstream(path) << text(shortest);
    return "seed " + std::to_string(seed) + " failed after " + std::to_string(s.script.size()) +
           " commands: " + s.failure + "\nshortest script that fails the same way (" +
           std::to_string(shortest.size()) + " commands, in " + path + "):\n" + text(shortest);
}

class Soak : public ::testing::TestWithParam<int> {};

TEST_P(Soak, EveryCheckHoldsAfterEveryEvent) {
    constexpr int kSessions = 3;
    const double minutes = minutesPerQuarter();
    Seen seen;
    double simulatedMs = 0;
    std::size_t commands = 0;
    for (int i = 0; i < kSessions; ++i) {
        const std::uint64_t seed = firstSeed() + std::uint64_t(GetParam() * kSessions + i);
        const Session s = play(seed, minutes * 60000 / kSessions);
        if (!s.failure.empty()) FAIL() << report(seed, s);
        seen += s.seen;
        simulatedMs += s.simulatedMs;
        commands += s.script.size();
    }
    std::printf(
        "%.1f simulated minutes, %zu commands: %d hits, %d new flocks, %d time-ups, %d out of "
        "shots, %d crate and %d clock rewards, %d third clicks, %d help boxes\n",
        simulatedMs / 60000, commands, seen.hits, seen.newFlocks, seen.timeUps, seen.outOfAmmo,
        seen.crateRewards, seen.clockRewards, seen.thirdClicks, seen.helpBoxes);
    EXPECT_GE(simulatedMs, minutes * 60000);
    // The play has to reach every corner of the game, or the checks prove little.
    if (minutes >= 15) {
        EXPECT_GT(seen.hits, 0);
        EXPECT_GT(seen.newFlocks, 0);
        EXPECT_GT(seen.timeUps, 0);
        EXPECT_GT(seen.outOfAmmo, 0);
        EXPECT_GT(seen.crateRewards, 0);
        EXPECT_GT(seen.clockRewards, 0);
        EXPECT_GT(seen.thirdClicks, 0);
        EXPECT_GT(seen.helpBoxes, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Quarters, Soak, ::testing::Range(0, 4));

// A fault planted in the checks stands for a fault in the game.
std::string thirdHit(const Form1& g) { return g.LblScore2.Caption() == "3" ? "the third hit" : ""; }
std::string belowTwentyShots(const Form1& g) { return g.state.Shots < 20 ? "below 20 shots" : ""; }

TEST(SoakParts, AFailureIsReportedWithItsSeedAndAShortestScript) {
    const Session s = play(7, 20 * 60000, thirdHit);
    ASSERT_EQ(kindOf(s.failure), "check failed: planted") << s.failure;
    const std::string printed = report(7, s, thirdHit, ::testing::TempDir());
    EXPECT_NE(printed.find("seed 7 failed"), std::string::npos) << printed;

    const Script shortest = shrink(s.script, thirdHit);
    EXPECT_NE(printed.find(text(shortest)), std::string::npos) << printed;
    EXPECT_LT(shortest.size(), s.script.size());
    EXPECT_LE(shortest.size(), 10u) << text(shortest);  // Start, three shots, a few waits
    EXPECT_EQ(kindOf(replay(shortest, thirdHit)), "check failed: planted");
    for (std::size_t i = 0; i < shortest.size(); ++i) {
        Script without = shortest;
        without.erase(without.begin() + std::ptrdiff_t(i));
        EXPECT_EQ(replay(without, thirdHit), "") << "still fails without line " << i + 1 << ":\n"
                                                 << text(shortest);
    }
}

TEST(SoakParts, ShrinkingDropsEveryCommandTheFailureDoesNotNeed) {
    Script script = {"key F1", "advance 500", "key F3", "fire TmrDuck2"};
    for (int i = 0; i < 7; ++i) script.insert(script.end(), {"click imgField", "advance 40"});
    EXPECT_EQ(replay(script, belowTwentyShots),
              "check failed: 15: planted: below 20 shots");  // the sixth miss
    EXPECT_EQ(shrink(script, belowTwentyShots), Script(6, "click imgField"));
}

TEST(SoakParts, ShrinkingKeepsTheKindOfFailure) {
    // A bad command comes first: the cut-down script must fail on it, not on the shots.
    Script script = {"advance 10", "jump", "key F1"};
    script.insert(script.end(), 6, "click imgField");
    EXPECT_EQ(shrink(script, belowTwentyShots), Script{"jump"});
    // A passing script has nothing to cut.
    EXPECT_EQ(shrink({"key F1", "advance 100"}), (Script{"key F1", "advance 100"}));
}

}  // namespace
}  // namespace fenwing::soak
