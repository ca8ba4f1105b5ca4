// The headless driver: its commands, its errors and exit codes, the menus and keys, and whole
// scripted games through the fenwing-sim program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "sim_fixture.h"

namespace fenwing {
namespace {

using Driver = testing::SimTest;
using Status = ScriptDriver::Status;

constexpr const char* kControlsBox =
    "msgbox Controls | F1 is Start, F2 is Reset, F3 is Controls, F4 is How to Play, F5 is "
    "About\n";
constexpr const char* kAboutBox =
    "msgbox About | Fenwing 1.0, a duck shooting game for one player\n";
constexpr const char* kHowBox =
    "msgbox How To Play | To play this version of fenwing you hit F1 to start it and you have to "
    "click on the moving ducks to try and shoot down as many as you can before the time runs "
    "out. You only have one minute and 25 shots and every once and a while an item will go by "
    "that will give you more time or shots. Have fun and good luck hunting!\n";

// Everything a key could change, in one text.
constexpr const char* kSnapshot =
    "get Shots\nget LblShotsLeft2.Caption\nget LblTimeLeft.Caption\nget LblScore2.Caption\n"
    "get ImgDuck1.Visible\nget TmrTime.Enabled\nget TmrDuck1.Enabled\nget ImgDuck1.Left\n";

TEST_F(Driver, HelpBoxesByMenuAndByKey) {
    EXPECT_EQ(run("menu mnuhelpControls\nmenu mnuhelpAbout\nmenu MnuHelpHow"),
              std::string(kControlsBox) + kAboutBox + kHowBox);
    EXPECT_EQ(run("key F3\nkey F5\nkey F4"), std::string(kControlsBox) + kAboutBox + kHowBox);
    // During a game they stop nothing.
    run("key F1\nadvance 1500\nkey F3");
    EXPECT_EQ(run("advance 1000\nget LblTimeLeft.Caption\nget TmrTime.Enabled\n"), "58\nTrue\n");
}

TEST_F(Driver, OtherKeysDoNothing) {
    run("key F1\nadvance 500");
    const std::string before = run(kSnapshot);
    EXPECT_EQ(run("key F2\nkey F6\nkey F12\nkey Enter\nkey a\nkey Z"), "");
    EXPECT_EQ(status(), Status::Running);
    EXPECT_EQ(run(kSnapshot), before);
}

TEST_F(Driver, ExitEndsAtOnce) {
    EXPECT_EQ(run("key F1\nadvance 500\nkey Del\nget Shots\nkey F5"), "end\n");
    EXPECT_EQ(status(), Status::Ended);
    EXPECT_EQ(ScriptDriver::exitCode(status()), 0);
}

TEST_F(Driver, ExitFromTheMenuEndsBeforeTheFirstStartToo) {
    EXPECT_EQ(run("menu mnufileExit\nmenu mnuhelpAbout"), "end\n");
    EXPECT_EQ(status(), Status::Ended);
}

TEST_F(Driver, GetAndSet) {
    EXPECT_EQ(run("get imgField.Width\nget ImgDuck1.Height\nget TmrTime.Interval\n"
                  "get ImgAmmo.Picture\nget mnuhelpAbout.Caption\nget lblyay.Caption\n"),
              "11040\n900\n1000\nammo\nAbout\nTime Left:\n");
    // A caption is the rest of the line, blanks and all; numbers print as their shortest text.
    EXPECT_EQ(run("set LblScore2.Caption  hello  world\nget LblScore2.Caption\n"
                  "set ImgDuck1.Left 1234.5\nget ImgDuck1.Left\nset ImgDuck1.Top -60\n"
                  "get ImgDuck1.Top\nset ImgDuck1.Picture duck-dead\nget ImgDuck1.Picture\n"
                  "set Duck2Left True\nget Duck2Left\nset AmmoClicks -2\nget AmmoClicks\n"
                  "set Shots 7 \t\nget Shots\nset TmrTime.Enabled True \nget TmrTime.Enabled\n"),
              "hello  world\n1234.5\n-60\nduck-dead\nTrue\n-2\n7\nTrue\n");
    EXPECT_EQ(status(), Status::Running);
}

TEST_F(Driver, FireAdvanceAndComments) {
    // fire ticks only an enabled timer, at once.
    EXPECT_EQ(
        run("fire TmrTime\nfire TmrAmmo\nget LblTimeLeft.Caption\nget LblAmmo.Caption\n"
            "set TmrTime.Enabled True\nfire TmrTime\nfire TmrTime\nget LblTimeLeft.Caption\n"),
        "60\n10\n58\n");
    // advance takes zero and fractions; blank lines and comments are skipped.
    EXPECT_EQ(
        run("key F1\n\n# a comment\n   \nadvance 0\nadvance 999.999\n"
            "\tget LblTimeLeft.Caption   \r\n  # indented\nadvance 0.001\nget LblTimeLeft.Caption"),
        "60\n59\n");
    EXPECT_EQ(status(), Status::Running);
}

// stall: a host that stopped for MS; the game clock ticks once for the seconds it missed, late,
// and then on its old beat.
TEST_F(Driver, AStallGivesTheGameClockOneLateTick) {
    EXPECT_EQ(run("key F1\nadvance 900\nstall 2500\nget LblTimeLeft.Caption\nadvance 599\n"
                  "get LblTimeLeft.Caption\nadvance 1\nget LblTimeLeft.Caption\n"),
              "59\n59\n58\n");
}

TEST_F(Driver, BadCommandsStopTheScript) {
    const struct {
        const char* line;
        const char* reason;  // what the error says after "error: 3: "
    } cases[] = {
        {"bogus", "unknown command 'bogus'"},
        {"menu", "usage: menu ITEM"},
        {"menu ImgDuck1", "no menu item named 'ImgDuck1'"},
        {"key F13", "unknown key 'F13' (F1 to F12, Del, Enter or a letter)"},
        {"key F1 F3", "usage: key KEY"},
        {"click Nobody", "no image or label named 'Nobody'"},
        {"click_at 100", "usage: click_at X Y"},
        {"click_at x 100", "X must be a number, not 'x'"},
        {"click_at 100 1e999", "Y must be a number, not '1e999'"},
        {"fire ImgDuck1", "no timer named 'ImgDuck1'"},
        {"advance ten", "MS must be a number, not 'ten'"},
        {"advance -1", "MS must lie from 0 to 3600000"},
        {"advance 3600000.5", "MS must lie from 0 to 3600000"},
        {"stall -1", "MS must lie from 0 to 31622400000"},
        {"stall 31622400001", "MS must lie from 0 to 31622400000"},
        {"get Nobody.Left", "no control named 'Nobody'"},
        {"get Shots Shots", "usage: get NAME.PROP or get FIELD"},
        {"get ImgDuck1.Caption", "ImgDuck1 has no property 'Caption' that can be used here"},
        {"set Shots", "usage: set NAME.PROP VALUE or set FIELD VALUE"},
        {"set ImgDuck1.Width 100", "ImgDuck1.Width is read-only"},
        {"set ImgDuck1.Left far", "ImgDuck1.Left must be a number, not 'far'"},
        {"set ImgDuck1.Visible yes", "ImgDuck1.Visible must be True or False, not 'yes'"},
        {"set ImgDuck1.Picture moon", "no picture named 'moon'"},
        {"set Shots 32768", "Shots takes a whole number from -32768 to 32767"},
        {"set Shots 1 2", "usage: set NAME.PROP VALUE or set FIELD VALUE"},
        {"set ImgDuck1.Visible True False", "usage: set NAME.PROP VALUE or set FIELD VALUE"},
        {"set Duck1Up -1", "Duck1Up takes True or False"},
        {"seed -1", "seed takes a whole number from 0 to 18446744073709551615"},
        {"version 2", "version 2 is newer than this program, which reads scripts up to version 1"},
        {"version 0", "version takes a whole number from 1"},
        {"version", "usage: version N"},
        {"state Shots", "usage: state"},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        ScriptDriver session(out, err);
        std::istringstream script(std::string("get Shots\n# then\n") + c.line + "\nget Shots\n");
        EXPECT_EQ(session.run(script), Status::BadCommand) << c.line;
        EXPECT_EQ(ScriptDriver::exitCode(Status::BadCommand), 2);
        EXPECT_EQ(out.str(), "25\n") << c.line;  // nothing after the bad line ran
        EXPECT_EQ(err.str(), std::string("error: 3: ") + c.reason + "\n") << c.line;
    }
}

TEST_F(Driver, ANonNumericCounterRaisesARunTimeErrorWhenItTicks) {
    EXPECT_EQ(run("key F1\nset LblAmmo.Caption ten\nadvance 500\nget Shots\nadvance 1000\n"
                  "get Shots"),
              "25\n");
    EXPECT_EQ(status(), Status::RuntimeError);
    EXPECT_EQ(ScriptDriver::exitCode(status()), 3);
    EXPECT_EQ(errors(), "runtime error 13: Type mismatch (line 5)\n");
    EXPECT_FALSE(form().inHandler());
}

TEST_F(Driver, ACounterPastSixteenBitsOverflows) {
    run("set AmmoClicks 32767\nset LblAmmo.Caption 0\nfire tmrAmmoMove\nclick ImgAmmo");
    EXPECT_EQ(status(), Status::RuntimeError);
    EXPECT_EQ(errors(), "runtime error 6: Overflow (line 4)\n");
}

std::string play(const std::string& script) {
    std::ostringstream out, err;
    ScriptDriver session(out, err);
    std::istringstream in(script);
    session.run(in);
    return out.str();
}

TEST(Replay, TheSameScriptPrintsTheSameEveryTime) {
    const std::string script =
        "key F1\nclick ImgDuck1\nclick Imgduck2\nclick Imgduck3\nadvance 1000\n"
        "get ImgDuck1.Left\nget Imgduck3.Top\nset LblAmmo.Caption 0\nfire tmrAmmoMove\n"
        "click ImgAmmo\nclick ImgAmmo\nclick ImgAmmo\nget ImgAmmo.Top\nget LblAmmo.Caption\n";
    EXPECT_EQ(play(script), play(script));
    EXPECT_EQ(play("seed 5\n" + script), play("seed 5\n" + script));
    EXPECT_NE(play("seed 5\n" + script), play("seed 6\n" + script));
}

// The real program, run on a script file.
struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

std::string tempPath(const char* name) {
    return ::testing::TempDir() + "fenwing-" + std::to_string(getpid()) + "-" + name;
}

// `input`: "<" to give the script on standard input.
Outcome runProgram(const std::string& scriptPath, const std::string& options = "",
                   const char* input = "") {
    const std::string errPath = tempPath("stderr.txt");
    const std::string command = std::string(FENWING_SIM) + " " + options + " " + input + "'" +
                                scriptPath + "' 2>'" + errPath + "'";
    Outcome o;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return o;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) o.out.append(buffer, n);
    const int status = pclose(pipe);
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath);
    o.err.assign(std::istreambuf_iterator<char>(err), {});
    return o;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Program, ExitCodes) {
    const std::string path = tempPath("script.sim");
    const struct {
        const char* script;
        int exitCode;
        std::string out, err;
    } cases[] = {
        {"key F1\nadvance 1000\nget LblTimeLeft.Caption\n", 0, "59\n", ""},
        {"key F5\nkey Del\nget Shots\n", 0, std::string(kAboutBox) + "end\n", ""},
        {"get Shots\n\nadvance 4000000\nget Shots\n", 2, "25\n",
         "error: " + path + ":3: MS must lie from 0 to 3600000\n"},
        {"set LblTimeLeft.Caption 1:00\nset TmrTime.Enabled True\nfire TmrTime\nget Shots\n", 3, "",
         "runtime error 13: Type mismatch (line 3)\n"},
    };
    for (const auto& c : cases) {
        std::ofstream(path) << c.script;
        const Outcome o = runProgram(path);
        EXPECT_EQ(o.exitCode, c.exitCode) << c.script;
        EXPECT_EQ(o.out, c.out) << c.script;
        EXPECT_EQ(o.err, c.err) << c.script;
    }
    EXPECT_EQ(runProgram("/nonexistent/script.sim").exitCode, 2);
    // On standard input there is no file to name: the error is "error: LINE: REASON", as
    // always, and standard input that cannot be read is one too.
    std::ofstream(path) << cases[2].script;
    Outcome o = runProgram(path, "", "<");
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_EQ(o.err, "error: 3: MS must lie from 0 to 3600000\n");
    o = runProgram("/", "", "<");
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_EQ(o.err, "error: cannot read standard input: Is a directory\n");
}

class WholeGame : public ::testing::TestWithParam<const char*> {};

TEST_P(WholeGame, PrintsWhatItShould) {
    const std::string base = std::string(FENWING_TEST_SCRIPTS) + "/" + GetParam();
    const Outcome o = runProgram(base + ".sim");
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, readFile(base + ".out"));
}

INSTANTIATE_TEST_SUITE_P(Scripts, WholeGame, ::testing::Values("time_up", "out_of_shots"));

// --games on every shipped script: a line for each finished game, and nothing else; a
// recording made in the window that ends with Exit in the middle of a game has none.
TEST(Program, PrintsTheGamesEachScriptFinished) {
    for (const char* name : {"time_up", "out_of_shots", "cues"}) {
        const std::string base = std::string(FENWING_TEST_SCRIPTS) + "/" + name;
        const Outcome o = runProgram(base + ".sim", "--check --games");
        EXPECT_EQ(o.exitCode, 0) << o.err;
        EXPECT_EQ(o.out, readFile(base + ".games")) << name;
    }
    const Outcome o =
        runProgram(std::string(FENWING_TEST_SCRIPTS) + "/../../docs/replay.sim", "--games");
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out, "");
}

// Two games with --cues: every cue where it happens, among the values and boxes.
TEST(Program, PrintsEachCueWhereItHappens) {
    const std::string base = std::string(FENWING_TEST_SCRIPTS) + "/cues";
    const Outcome o = runProgram(base + ".sim", "--cues --check");
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out, readFile(base + ".out"));
    // Without the option the same script prints no cue.
    EXPECT_EQ(runProgram(base + ".sim").out.find("cue "), std::string::npos);
}

}  // namespace
}  // namespace fenwing
