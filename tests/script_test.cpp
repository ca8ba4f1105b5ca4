// The driver's language as the window records it: numbers that read back exactly, the
// recorder's script, `state`, `version` and lines cut short; and the random draws pinned to
// the seed and the game clock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <sstream>

#include "session/parser.h"
#include "session/recorder.h"
#include "session/state.h"
#include "sim_fixture.h"

namespace fenwing {
namespace {

using script::Command;
using script::Verb;

Command parsed(const std::string& line) {
    script::Parser parser;
    auto c = parser.parse(line);
    EXPECT_TRUE(c) << line;
    return c.value_or(Command{});
}

TEST(ScriptNumbers, ClicksAndTimesReadBackExactly) {
    std::vector<float> xs = {0.1f, 1500.f, 7680.f, -15.f, 1234.5677f, 13904.999f, 1e-7f};
    std::uint32_t bits = 0x44000000;  // then floats of every kind from 512 to 65536
    for (int i = 0; i < 2000; ++i, bits += 0x3A1F7) xs.push_back(std::bit_cast<float>(bits));
    for (float x : xs) {
        Command click;
        click.verb = Verb::ClickAt;
        click.x = x;
        click.y = -x;
        const Command back = parsed(script::format(click));
        ASSERT_EQ(std::bit_cast<std::uint32_t>(back.x), std::bit_cast<std::uint32_t>(x))
            << script::format(click);
        ASSERT_EQ(back.y, -x);
    }
    for (Micros us : {0LL, 1LL, 10LL, 999LL, 1000LL, 1001LL, 1234567LL, 3'600'000'000LL}) {
        Command advance;
        advance.verb = Verb::Advance;
        advance.micros = us;
        EXPECT_EQ(parsed(script::format(advance)).micros, us) << script::format(advance);
    }
    Command stall;  // a machine suspended for a year, to the microsecond
    stall.verb = Verb::Stall;
    stall.micros = 31'622'399'999'999;
    EXPECT_EQ(parsed(script::format(stall)).micros, stall.micros) << script::format(stall);
    EXPECT_EQ(script::millis(1234567), "1234.567");
    EXPECT_EQ(script::millis(2000), "2");
    EXPECT_EQ(script::millis(1500), "1.5");
}

// However long a script, its clock cannot overflow.
TEST(ScriptFile, TheClockStopsAtAThousandYears) {
    script::Parser parser;
    for (int year = 0; year < 1000; ++year) ASSERT_TRUE(parser.parse("stall 31622400000"));
    EXPECT_THROW(parser.parse("advance 0.001"), std::invalid_argument);
    EXPECT_TRUE(parser.parse("advance 0"));
}

TEST(ScriptFile, TheFirstBadLineIsReportedWithItsNumber) {
    std::istringstream good("seed 1\n\n# a comment\nkey F1\nadvance 10\r\nstate\n");
    const auto lines = script::parseScript(good);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].number, 4);
    EXPECT_EQ(lines[2].command.micros, 10'000);

    std::istringstream bad("seed 1\nkey F1\nclick_at 100 2O0\nbogus\n");
    try {
        script::parseScript(bad);
        FAIL() << "no error";
    } catch (const script::ScriptError& e) {
        EXPECT_EQ(e.line, 3);
        EXPECT_EQ(e.reason, "Y must be a number, not '2O0'");
    }
}

using Driver = testing::SimTest;

// Once a script has given its version, a last line without its line break was cut short; a
// script without one reads as it always has.
TEST_F(Driver, AVersionedScriptRefusesALineCutShort) {
    EXPECT_EQ(run("get Shots\nadvance 12"), "25\n");
    EXPECT_EQ(status(), ScriptDriver::Status::Running);
    EXPECT_EQ(run("version 1\nget Shots\nadvance 12"), "25\n");
    EXPECT_EQ(status(), ScriptDriver::Status::BadCommand);
    EXPECT_EQ(errors(), "error: 3: the line has no line break at its end: it was cut short\n");
    // A replay reads the whole script first, and refuses it the same.
    std::istringstream cut("version 1\nget Shots\nadvance 12");
    EXPECT_THROW(script::parseScript(cut), script::ScriptError);
}

// When the player ends the program, the final state comes before "end", where the recording
// of the session has fenwing-sim print them.
TEST(Session, APlayersExitPrintsTheFinalStateThenEnd) {
    std::ostringstream out, state;
    GameSession session(1, out);
    session.playerAtControls();
    Command del;
    del.verb = Verb::Key;
    del.name = "Del";
    EXPECT_EQ(session.run([&] { session.perform(del); }), GameSession::Status::Ended);
    script::printState(state, session.game());
    EXPECT_EQ(out.str(), state.str() + "end\n");
}

// Each `NAME.PROP VALUE` or `FIELD VALUE` line of `state` is what `get` prints; the clock and
// each running timer's next tick come with them.
TEST_F(Driver, StateIsWhatGetReadsWithTheClockAndTheTimers) {
    run("seed 3\nkey F1\nadvance 1234.5\nclick ImgDuck1\n");
    const std::string state = run("state");
    std::istringstream lines(state);
    int checked = 0;
    for (std::string line; std::getline(lines, line);) {
        const auto blank = line.find(' ');
        const std::string name = line.substr(0, blank);
        if (name == "time" || name == "due") continue;
        EXPECT_EQ(blank == std::string::npos ? "" : line.substr(blank + 1), get(name)) << line;
        ++checked;
    }
    EXPECT_GT(checked, 100);
    for (const char* line :
         {"time 1234.5\n", "Shots 24\n", "LblScore2.Caption 1\n", "TmrDuck1.Enabled False\n",
          "due TmrTime 2000\n", "due tmrAmmoMove 1250\n", "ImgDuck1.Left 9390\n"})
        EXPECT_NE(state.find(line), std::string::npos) << line;
    EXPECT_EQ(state.find("due TmrDuck1"), std::string::npos);  // off
    EXPECT_EQ(run("state"), state);
}

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Recorder, WritesTheSessionAsTheDriverReadsIt) {
    const std::string path =
        ::testing::TempDir() + "fenwing-recorder-" + std::to_string(getpid()) + ".sim";
    {
        script::Recorder r(path);
        ASSERT_TRUE(r.ok());
        r.begin(7);
        r.input(1'234'567, parsed("key F1"));
        r.stall(2'000'000, 4'500'001);  // the timers ran to 2 s, then nothing for 2.5 s
        r.input(4'600'000, parsed("click_at 1500.5 2000"));
        r.input(4'600'000 + 7'300'000'000LL, parsed("menu mnufileExit"));  // two hours later
        r.ended();
    }
    const std::string text = slurp(path);
    EXPECT_EQ(text.substr(text.find('\n') + 1),
              "version 1\nseed 7\n"
              "advance 1234.567\nkey F1\n"
              "advance 765.433\nstall 2500.001\n"
              "advance 99.999\nclick_at 1500.5 2000\n"
              "advance 3600000\nadvance 3600000\nadvance 100000\nstate\nmenu mnufileExit\n");
    // fenwing-sim plays it through: the state, then the end.
    std::ostringstream out, err;
    ScriptDriver session(out, err);
    std::istringstream in(text);
    EXPECT_EQ(session.run(in), ScriptDriver::Status::Ended) << err.str();
    EXPECT_NE(out.str().find("time 7304600\n"), std::string::npos);
    EXPECT_EQ(out.str().substr(out.str().size() - 4), "end\n");
    std::remove(path.c_str());
}

// From one seed and one moment of the game clock a new flock's six places are always the same;
// at another moment they are others. A generator not reseeded from the clock, or a clock read
// in other units than seconds, moves them.
TEST_F(Driver, ANewFlocksPlacesFollowTheSeedAndTheGameClock) {
    const char* flock =
        "key F1\nclick ImgDuck1\nclick Imgduck2\nclick Imgduck3\nadvance 1000\n"
        "get ImgDuck1.Left\nget ImgDuck1.Top\nget Imgduck2.Left\nget Imgduck2.Top\n"
        "get Imgduck3.Left\nget Imgduck3.Top\n";
    const auto places = [&](const char* wait) {
        ScriptDriver session(out_, err_);
        out_.str({});
        std::istringstream in(std::string("seed 42\nadvance ") + wait + "\n" + flock);
        session.run(in);
        return out_.str();
    };
    // The new flock comes with the game clock's first tick: at 1 s, or at 1.25 s.
    EXPECT_EQ(places("0"), "2443\n6086\n8938\n6427\n7614\n9860\n");
    EXPECT_EQ(places("250"), "6502\n8282\n10454\n4587\n3267\n3533\n");
}

}  // namespace
}  // namespace fenwing
