// The games of a session and the best games: what a finished game is and its result, taken by
// replaying the driver's scripts; the table of the ten best, its text, and its rebuilding from
// recordings; watching a game end in exactly the state it ended in.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "best/best_games.h"
#include "session/play.h"
#include "session/state.h"
#include "sim_fixture.h"

namespace fenwing {
namespace {

using Games = testing::SimTest;

std::string described(const GameLog& log) {
    std::string out;
    for (const GameResult& g : log.finished()) out += describe(g) + "\n";
    return out;
}

constexpr const char* k25Misses =
    "click imgField\nclick imgField\nclick imgField\nclick imgField\nclick imgField\n"
    "click imgField\nclick imgField\nclick imgField\nclick imgField\nclick imgField\n"
    "click imgField\nclick imgField\nclick imgField\nclick imgField\nclick imgField\n"
    "click imgField\nclick imgField\nclick imgField\nclick imgField\nclick imgField\n"
    "click imgField\nclick imgField\nclick imgField\nclick imgField\nclick imgField\n";

TEST_F(Games, FinishedByTheGameItselfAndOnlyThen) {
    // Before the first Start a click spends a shot but belongs to no game. Ended by time.
    run("click imgField\nadvance 500\nkey F1\nadvance 1000\nclick ImgDuck1\nadvance 60000\n");
    // Cut short by a new Start, then ended by shots: the numbers count every Start.
    run("key F1\nadvance 1000\nmenu mnufileStart\n");
    run(k25Misses);
    // The out-of-shots end repeats on later clicks, which start nothing.
    run("click imgField\nclick imgField\n");
    // Cut short by Exit.
    run("key F1\nadvance 2000\nkey Del\n");
    EXPECT_EQ(status(), ScriptDriver::Status::Ended);
    EXPECT_EQ(described(session_.session().games()),
              "game 1 from 500 to 60500 ended time hits 1 shots 1 crates 0 clocks 0\n"
              "game 3 from 62500 to 62500 ended shots hits 0 shots 25 crates 0 clocks 0\n");
}

TEST_F(Games, HitsAreTheCountersDifferenceAFallingDuckIncluded) {
    run("key F1\nadvance 1000\nclick ImgDuck1\nclick Imgduck2\nadvance 60000\n");
    const int before = num("LblScore2.Caption");
    // Hit twice, the second time as it falls, then left to the end of the time.
    run("key F1\nadvance 1000\nclick ImgDuck1\nadvance 20\nclick ImgDuck1\nclick Imgduck3\n"
        "advance 60000\n");
    const auto& games = session_.session().games().finished();
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[1].hits, 3);
    EXPECT_EQ(games[1].hits, num("LblScore2.Caption") - before);
    EXPECT_EQ(games[1].shots, 3);
}

TEST_F(Games, ACrateAndAClockTakenAfterTheEndAreNotCounted) {
    // One of each during the game...
    run("key F1\nset LblAmmo.Caption 0\nset lblclock.Caption 0\nadvance 100\n"
        "click ImgAmmo\nclick ImgClock\n");
    // ...and one of each once it has ended by shots (32 of them, the crate gave 7).
    run(k25Misses);
    run("click imgField\nclick imgField\nclick imgField\nclick imgField\nclick imgField\n"
        "click imgField\nclick imgField\n");
    EXPECT_EQ(get("ImgAmmo.Visible"), "True");
    run("click ImgAmmo\nclick ImgClock\n");
    EXPECT_EQ(num("LblShotsLeft2.Caption"), 7);  // the crate still pays after the end
    const auto& games = session_.session().games().finished();
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].ending, GameResult::Ending::Shots);
    EXPECT_EQ(games[0].crates, 1);
    EXPECT_EQ(games[0].clocks, 1);
    EXPECT_EQ(games[0].shots, 32);
}

// Watching a game: the part before its Start at once, the game in step with a clock, cut at its
// end, in exactly the state the game ended in.
TEST(Watch, EndsInExactlyTheStateTheGameEndedIn) {
    const std::string recording =
        "seed 5\nadvance 700\nkey F1\nadvance 3000.5\nclick_at 5000 5000\nadvance 1234.25\n"
        "click_at 6000 4000\nadvance 70000\nkey F1\nadvance 9000\n";
    std::ostringstream out, err;
    ScriptDriver driver(out, err);
    std::istringstream in(recording);
    driver.run(in);
    const GameResult game = driver.session().games().finished().at(0);

    std::istringstream script(recording);
    std::ostringstream printed;
    Play watch(script::parseScript(script), printed);
    watch.skipTo(game.start);
    watch.stopAt(game.end);
    EXPECT_EQ(watch.session().now(), game.start);
    Micros clock = 123'456'789;  // the host's clock, in steps of about a frame
    for (int wakes = 0; !watch.ended() && wakes < 10'000; ++wakes) watch.wake(clock += 16'667);
    ASSERT_TRUE(watch.ended());
    EXPECT_EQ(watch.end()->reason, Play::End::Reason::ScriptEnd);
    EXPECT_EQ(watch.session().now(), game.end);

    std::ostringstream expected, err2;
    ScriptDriver cut(expected, err2);
    std::istringstream upToTheEnd(
        "seed 5\nadvance 700\nkey F1\nadvance 3000.5\n"
        "click_at 5000 5000\nadvance 1234.25\nclick_at 6000 4000\n"
        "advance " +
        script::millis(game.end - 4934'750) + "\nstate\n");
    cut.run(upToTheEnd);
    std::ostringstream state;
    script::printState(state, watch.session().game());
    const std::string all = expected.str();
    ASSERT_GT(all.size(), state.str().size());
    EXPECT_EQ(all.substr(all.size() - state.str().size()), state.str());
}

namespace best_ = fenwing::best;

best_::BestGame row(int hits, int shots, std::string date, std::string recording, int number) {
    best_::BestGame g;
    g.result.hits = hits;
    g.result.shots = shots;
    g.result.number = number;
    g.date = std::move(date);
    g.recording = std::move(recording);
    g.player = "Ann";
    return g;
}

TEST(BestGames, RankedByHitsThenFewerShotsThenTheEarlierGame) {
    std::vector<best_::BestGame> games;
    for (int i = 0; i < 12; ++i) games.push_back(row(i, 25, "2026-01-01T00:00:00Z", "a", i));
    games.push_back(row(11, 20, "2026-01-02T00:00:00Z", "b", 1));  // fewer shots: above
    games.push_back(row(11, 20, "2025-12-31T00:00:00Z", "c", 1));  // earlier: above that
    games.push_back(row(11, 20, "", "d", 1));                      // undated: below those
    games.push_back(games.front());                                // the same game twice
    const auto ten = best_::tenBest(games);
    ASSERT_EQ(ten.size(), 10u);
    EXPECT_EQ(ten[0].recording, "c");
    EXPECT_EQ(ten[1].recording, "b");
    EXPECT_EQ(ten[2].recording, "d");
    EXPECT_EQ(ten[3].result.hits, 11);
    EXPECT_EQ(ten[9].result.hits, 5);
}

TEST(BestGames, TheTableReadsBackAndADamagedOneIsRefused) {
    std::vector<best_::BestGame> table = {row(9, 21, "2026-12-08T21:05:13Z", "x.sim", 2)};
    table[0].result.start = 1500;
    table[0].result.end = 61'500'001;
    table[0].player = "Zoë 山田 <b>";
    const std::string text = best_::formatTable(table);
    ASSERT_EQ(best_::parseTable(text), table);
    EXPECT_EQ(best_::parseTable(best_::formatTable({})), std::vector<best_::BestGame>{});
    // A recording made before recordings named their player: unknown, and read back so.
    table[0].player.clear();
    EXPECT_EQ(best_::parseTable(best_::formatTable(table)), table);
    table[0].player = "Zoë 山田 <b>";
    const auto damaged = [&](std::string from, std::string to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        return best_::parseTable(t).has_value();
    };
    EXPECT_FALSE(damaged("games 1", "games 2"));         // a newer version
    EXPECT_FALSE(damaged("\n1\t9", "\n2\t9"));           // a rank out of order
    EXPECT_FALSE(damaged("\t21\t", "\t2x\t"));           // not a number
    EXPECT_FALSE(damaged("\ttime\t", "\tlate\t"));       // not an ending
    EXPECT_FALSE(damaged("山田", "\x01"));               // a control character in a name
    EXPECT_FALSE(damaged("\tx.sim\t2\t", "\tx.sim\t"));  // a field missing
    EXPECT_FALSE(best_::parseTable(text.substr(0, 10)).has_value());
}

TEST(BestGames, ATableThatDisagreesWithItsRecordingsIsRebuilt) {
    const std::string a = best_::header("A test", "Ann", 1'765'000'000) +
                          "seed 1\nkey F1\nadvance 1000\nclick ImgDuck1\nadvance 60000\n";
    // Renamed during the session: the last name given names all its games. Cut in the middle
    // of a line: the games finished before are kept.
    const std::string b = "seed 2\nkey F1\nadvance 60000\n" +
                          best_::playerLine(
                              "Bo\x07"
                              "b") +
                          "key F1\nadvance 60000\nkey F1\nadv";
    const best_::Replayed replayed = best_::gamesOf(b, "b.sim");
    EXPECT_EQ(replayed.games.size(), 2u);
    EXPECT_EQ(replayed.problem, "error: b.sim:8: unknown command 'adv'");
    EXPECT_EQ(replayed.games[0].player, "Bob");
    EXPECT_EQ(replayed.games[0].date, "");  // no start in the recording: unknown

    const std::map<std::string, std::string> recordings = {{"a.sim", a}, {"b.sim", b}};
    const best_::Rebuilt fresh = best_::rebuild(recordings, std::nullopt);
    ASSERT_EQ(fresh.table.size(), 3u);
    EXPECT_EQ(fresh.table[0].recording, "a.sim");
    EXPECT_EQ(fresh.table[0].player, "Ann");
    EXPECT_EQ(fresh.table[0].date, best_::isoDate(1'765'000'000 + 60));
    EXPECT_EQ(fresh.table[0].result.hits, 1);

    const std::string stored = best_::formatTable(fresh.table);
    EXPECT_TRUE(best_::rebuild(recordings, stored).agreed);
    std::string edited = stored;
    edited.replace(edited.find("1\t1\t1\t"), 6, "1\t9\t1\t");  // nine hits claimed
    const best_::Rebuilt again = best_::rebuild(recordings, edited);
    EXPECT_FALSE(again.agreed);
    EXPECT_EQ(again.table, fresh.table);
    EXPECT_FALSE(best_::rebuild(recordings, "garbage").agreed);
}

TEST(BestGames, DatesNamesAndTheHeaderReadBack) {
    EXPECT_EQ(best_::isoDate(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(best_::isoDate(951'782'400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(best_::isoDate(4'107'542'399), "2100-02-28T23:59:59Z");
    for (std::int64_t t : {0LL, 951'782'400LL, 1'765'000'123LL, 4'107'542'399LL}) {
        const auto info = best_::readInfo(best_::header("where", " Ann ", t));
        EXPECT_EQ(info.started, t);
        EXPECT_EQ(info.player, "Ann");
    }
    EXPECT_EQ(best_::nameProblem("Zoë 山田 محمد"), "");
    EXPECT_NE(best_::nameProblem(""), "");
    EXPECT_NE(best_::nameProblem("a\tb"), "");
    EXPECT_NE(best_::nameProblem("a\xC2\x85"), "");  // a C1 control character
    EXPECT_NE(best_::nameProblem("\xFF"), "");
    EXPECT_NE(best_::nameProblem(std::string(41, 'x')), "");
    EXPECT_EQ(best_::nameProblem(std::string(40, 'x')), "");
    EXPECT_EQ(best_::cleanName("  \x1b[31mRed\xFF  "), "[31mRed");
    EXPECT_EQ(best_::cleanName("\n"), "Player");
}

}  // namespace
}  // namespace fenwing
