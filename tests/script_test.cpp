// The driver's language as the window records it: numbers that read back exactly, the
// recorder's script, `state`, `version` and lines cut short; script files and their lines as
// they are read, and their errors; and the random draws pinned to the seed and the game clock.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "best/best_games.h"
#include "session/game_session.h"
#include "session/parser.h"
#include "session/quote.h"
#include "session/reader.h"
#include "session/recorder.h"
#include "session/script_player.h"
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

// What an error quotes of a line shows on one line as it is, byte for byte: control bytes,
// bytes that are not UTF-8 and characters that show as nothing escaped, a long text cut.
TEST(ScriptText, QuotesShowEveryByte) {
    EXPECT_EQ(quote("key F1"), "'key F1'");
    EXPECT_EQ(quote(std::string("a\0b\x1B[2J\x7F\t", 9)), "'a\\x00b\\x1B[2J\\x7F\\x09'");
    EXPECT_EQ(quote("caf\xE9 \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\xA6\x86"),
              "'caf\\xE9 \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\xA6\x86'");
    // An overlong form, a surrogate, a sequence cut short, a code past U+10FFFF.
    EXPECT_EQ(quote("\xC0\x80 \xED\xA0\x80 \xE2\x82 \xF4\x90\x80\x80"),
              "'\\xC0\\x80 \\xED\\xA0\\x80 \\xE2\\x82 \\xF4\\x90\\x80\\x80'");
    EXPECT_EQ(quote("\xEF\xBB\xBFkey\xC2\xA0"
                    "F1\xE2\x80\x8B\xC2\x85\\"),
              "'\\uFEFFkey\\u00A0F1\\u200B\\u0085\\\\'");
    EXPECT_EQ(quote(std::string(60, 'x')), "'" + std::string(60, 'x') + "'");
    EXPECT_EQ(quote(std::string(61, 'x')), "'" + std::string(60, 'x') + "'...");
    EXPECT_EQ(quote(std::string(100, '\0')), "'" + escaped(std::string(60, '\0')) + "'...");
}

// A line longer than any script's is refused as soon as it is known to be, without reading the
// rest of it; a byte-order mark that begins the script is left out (one elsewhere is shown:
// tests/command_line_test.sh).
TEST(ScriptFile, LinesAreReadNoFurtherThanTheLimit) {
    const std::string longest(script::LineReader::kMaxLineBytes, 'x');
    std::istringstream in("\xEF\xBB\xBFget Shots\r\n" + longest + "\n" + longest + "yz" +
                          std::string(100000, 'z'));
    script::LineReader reader(in);
    std::string line;
    bool complete = false;
    ASSERT_TRUE(reader.next(line, complete));
    EXPECT_EQ(line, "get Shots\r");
    EXPECT_TRUE(complete);
    ASSERT_TRUE(reader.next(line, complete));
    EXPECT_EQ(line, longest);
    try {
        reader.next(line, complete);
        FAIL() << "the line was read whole";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(reader.number(), 3);
        EXPECT_EQ(e.what(),
                  "the line is longer than 4096 bytes: '" + std::string(60, 'x') + "'...");
    }
    EXPECT_EQ(in.tellg(), 14 + 4097 + 4097);
}

// Only the script's first three bytes may be a mark: after a first line too short to hold one,
// a mark that begins the second is part of its command, and refused.
TEST(ScriptFile, AMarkAfterAShortFirstLineIsRefused) {
    std::istringstream in("#\n\xEF\xBB\xBFkey F1\n");
    try {
        script::parseScript(in);
        FAIL() << "the mark was left out";
    } catch (const script::ScriptError& e) {
        EXPECT_EQ(e.line, 2);
        EXPECT_EQ(e.reason, "unknown command '\\uFEFFkey'");
    }
}

// Once the script has ended nothing more is read from it: a terminal would wait for more input.
TEST(ScriptFile, NothingIsReadAfterTheEnd) {
    struct Terminal : std::streambuf {
        std::string typed = "key F1";  // then Ctrl-D, and more if asked
        int reads = 0;
        int_type underflow() override {
            if (reads++ % 2) return traits_type::eof();
            setg(typed.data(), typed.data(), typed.data() + typed.size());
            return traits_type::to_int_type(*gptr());
        }
    } terminal;
    std::istream in(&terminal);
    script::LineReader reader(in);
    std::string line;
    bool complete = true;
    ASSERT_TRUE(reader.next(line, complete));
    EXPECT_EQ(line, "key F1");
    EXPECT_FALSE(complete);
    EXPECT_FALSE(reader.next(line, complete));
    EXPECT_EQ(terminal.reads, 2);
}

// A script is plain text: a control byte other than a tab, or a carriage return before the line
// break, is refused on any line, a comment's too.
TEST(ScriptFile, AControlByteIsRefusedWherever) {
    for (const std::string& line :
         {std::string("ke\0y F1", 7), std::string("# a comment\a"), std::string("key F1\rkey F2"),
          std::string("set LblScore2.Caption a\x1B[2Jb"), std::string("\x7F")}) {
        std::istringstream in("key F1\n" + line + "\n");
        try {
            script::parseScript(in);
            ADD_FAILURE() << escaped(line) << " was taken";
        } catch (const script::ScriptError& e) {
            EXPECT_EQ(e.line, 2);
            EXPECT_EQ(e.reason.rfind("the control byte \\x", 0), 0u) << e.reason;
            EXPECT_NE(e.reason.find(" in " + quote(line) + ": a script is plain text"),
                      std::string::npos)
                << e.reason;
        }
    }
    std::istringstream tabs("key\tF1\r\n\t# a comment\r\n");
    EXPECT_EQ(script::parseScript(tabs).size(), 1u);
}

// An empty file is an empty script. (What cannot be read, and a bad line naming its file, are
// tried on every program that reads scripts by tests/command_line_test.sh.)
TEST(ScriptFile, AnEmptyFileIsAnEmptyScript) {
    const std::string path = ::testing::TempDir() + "fenwing-empty-" + std::to_string(getpid());
    std::ofstream(path) << "";
    std::ostringstream err;
    const auto empty = script::loadScript(path, err);
    EXPECT_TRUE(empty && empty->empty()) << err.str();
    std::remove(path.c_str());
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

// Each timer's ticks, by name, from now on.
struct TickCount {
    explicit TickCount(Form& form) {
        for (Timer* t : form.timers())
            t->onTimer = [this, t, handler = t->onTimer] {
                ++ticks[t->name()];
                if (handler) handler();
            };
    }
    int most() const {
        int n = 0;
        for (const auto& [name, count] : ticks) n = std::max(n, count);
        return n;
    }
    std::map<std::string, int> ticks;
};

// A wake up to kMaxLateness after the first tick due gets every tick due, as a busy desktop's
// jitter must; a microsecond later the time since is a stall, and each timer ticks once.
TEST(Session, AWakeUpTo100MsLateGetsEveryTickAndLaterIsAStall) {
    for (const Micros past : {Micros{0}, Micros{1}}) {
        std::ostringstream out;
        GameSession session(1, out);
        session.run([&] { session.perform(parsed("key F1")); });
        const Micros at = *session.form().scheduler().nextDue() + GameSession::kMaxLateness + past;
        TickCount count(session.form());
        session.run([&] { session.wake(at); });
        EXPECT_EQ(session.now(), at);
        if (past == 0)
            EXPECT_EQ(count.ticks["TmrDuck1"], 7);  // 15.625 ms apart
        else
            EXPECT_EQ(count.most(), 1) << "a microsecond past the limit";
    }
}

// Closing the window ends the session with the game running: its recording, closed by finish(),
// replays in fenwing-sim to exactly what finish() printed, the final state included.
TEST(Session, ARecordingClosedByFinishReplaysToWhatItPrinted) {
    std::stringstream recording;
    std::ostringstream out;
    GameSession session(5, out);
    session.playerAtControls();
    session.record(std::make_unique<script::Recorder>(recording));
    session.run([&] {
        session.wake(400'000);  // a stall
        session.perform(parsed("key F1"));
        session.wake(2'345'678);
        session.perform(parsed("click_at 5000 5000"));
        session.wake(3'456'789);
    });
    session.finish();
    EXPECT_NE(out.str().find("time 3456.789\n"), std::string::npos);
    std::ostringstream replayed, err;
    ScriptDriver sim(replayed, err);
    sim.checkInvariants();
    EXPECT_EQ(sim.run(recording), ScriptDriver::Status::Running) << err.str();
    EXPECT_EQ(replayed.str(), out.str());
}

// A replay whose host's clock jumps 3 s (a stopped machine) pauses with it: each timer ticks at
// most once, the next wake is not in the host's past (where it would be due at once, again and
// again), and the script still ends where fenwing-sim's does.
TEST(ScriptPlayer, AHostsClockThatJumpsPausesTheReplay) {
    const char* text = "key F1\nadvance 2000\nclick_at 5000 5000\nadvance 3000\nstate\n";
    std::ostringstream out;
    GameSession session(1, out);
    std::istringstream in(text);
    script::ScriptPlayer player(session, script::parseScript(in));
    const Micros start = 7'000'000;  // the host's clock, which began long before
    std::optional<Micros> next;
    session.run([&] { next = player.playAlong(start); });
    session.run([&] { next = player.playAlong(start + 50'000); });
    ASSERT_TRUE(next);
    TickCount count(session.form());
    const Micros late = start + 3'050'000;
    session.run([&] { next = player.playAlong(late); });
    EXPECT_LE(count.most(), 1);
    ASSERT_TRUE(next);
    EXPECT_GE(*next, late);
    for (int wakes = 0; next && wakes < 1000; ++wakes)
        session.run([&] { next = player.playAlong(*next); });
    EXPECT_FALSE(next);
    std::ostringstream simOut, err;
    ScriptDriver sim(simOut, err);
    std::istringstream again(text);
    sim.run(again);
    EXPECT_EQ(out.str(), simOut.str());
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

// A page keeps its recording in memory and shows it closed before the session ends: the
// closing is exactly what finish() then writes, and an Exit goes back over the last input in
// the stream as in a file.
TEST(Recorder, ClosesInMemoryAsItWouldInAFile) {
    std::stringstream stream;
    script::Recorder r(stream);
    ASSERT_TRUE(r.ok());
    r.begin(3);
    r.input(500'000, parsed("key F1"));
    const std::string before = stream.str();
    const std::string closing = r.closing(500'000 + 7'300'000'000LL);
    EXPECT_EQ(closing, "advance 3600000\nadvance 3600000\nadvance 100000\nstate\n");
    EXPECT_EQ(stream.str(), before);  // nothing written yet
    EXPECT_EQ(r.closing(400'000), "state\n");
    r.finish(500'000 + 7'300'000'000LL);
    EXPECT_EQ(stream.str(), before + closing);

    std::stringstream exited;
    script::Recorder e(exited);
    e.begin(3);
    e.input(1'000, parsed("key F1"));
    e.input(2'000, parsed("key Del"));
    e.ended();
    EXPECT_EQ(exited.str().substr(exited.str().find("advance 1\nkey F1")),
              "advance 1\nkey F1\nadvance 1\nstate\nkey Del\n");
}

// The window writes the time up to a game's end as soon as the game has ended, not with the
// next input: a recording cut off after it (the program killed) still holds that game.
TEST(Recorder, WritesTheTimeUpToNowWhenAsked) {
    std::stringstream stream;
    std::ostringstream out;
    GameSession session(5, out);
    session.playerAtControls();
    session.record(std::make_unique<script::Recorder>(stream), "# test\n");
    session.run([&] {
        session.perform(parsed("key F1"));
        session.advanceTo(61'000'000);  // the clock ends the game at 60 s
    });
    ASSERT_EQ(session.games().finished().size(), 1u);
    EXPECT_TRUE(best::gamesOf(stream.str(), "cut.sim").games.empty());
    session.recordTime();
    session.recordTime();  // nothing more: the file has reached now
    EXPECT_EQ(best::gamesOf(stream.str(), "cut.sim").games.size(), 1u);
    session.run([&] {
        session.advanceTo(62'500'000);
        session.perform(parsed("key F1"));
    });
    const std::string text = stream.str();
    EXPECT_EQ(text.substr(text.find("key F1")), "key F1\nadvance 61000\nadvance 1500\nkey F1\n");
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
