// The game's invariants: each one fires when a faulty handler breaks it, a state set by hand is
// not held against the game, no handler starts while another runs, and fenwing-sim --check.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "game/invariants.h"
#include "session/driver.h"

namespace fenwing {
namespace {

using Status = ScriptDriver::Status;

// A game in play with the checks on, three seconds after Start.
class Checked : public ::testing::Test {
  protected:
    Checked() {
        session.checkInvariants();
        EXPECT_EQ(run("key F1\nadvance 3000"), Status::Running) << err.str();
    }
    Status run(const std::string& script) {
        err.str({});
        std::istringstream in(script);
        return session.run(in);
    }
    Form1& game() { return session.game(); }
    Form& form() { return session.form(); }
    // The next tick of the game clock runs `fault` after the real handler.
    void faultyClock(std::function<void(Form1&)> fault) {
        Timer& clock = form().timer("TmrTime");
        clock.onTimer = [this, real = clock.onTimer, fault] {
            real();
            fault(game());
        };
    }

    std::ostringstream out, err;
    ScriptDriver session{out, err};
};

struct Fault {
    const char* what;
    std::function<void(Form1&)> breakIt;
    const char* message;  // what `check failed: LINE: ` is followed by
};

const Fault kFaults[] = {
    {"shots below 0",
     [](Form1& g) {
         g.state.Shots = -1;
         g.LblShotsLeft2.setCaption("-1");
     },
     "shots shown: Shots is -1, below 0"},
    {"shots not shown", [](Form1& g) { g.state.Shots = 24; },
     "shots shown: Shots is 24 but LblShotsLeft2 shows \"25\""},
    {"a direction flag that is not a Boolean", [](Form1& g) { g.state.Duck3Left = 1; },
     "direction flags: Duck3Left is 1, not -1 or 0"},
    {"a third crate click left standing", [](Form1& g) { g.state.AmmoClicks = 3; },
     "click counts: AmmoClicks is 3, not 0, 1 or 2"},
    {"clock clicks below 0", [](Form1& g) { g.state.ClockClicks = -1; },
     "click counts: ClockClicks is -1, not 0, 1 or 2"},
    {"hits with a fraction", [](Form1& g) { g.LblScore2.setCaption("0.5"); },
     "counter caption: LblScore2 shows \"0.5\", not whole"},
    {"seconds as no number", [](Form1& g) { g.LblTimeLeft.setCaption("1:00"); },
     "counter caption: LblTimeLeft shows \"1:00\", not a number"},
    {"shots with a blank", [](Form1& g) { g.LblShotsLeft2.setCaption("25 "); },
     "shots shown: Shots is 25 but LblShotsLeft2 shows \"25 \""},
    {"a countdown with a plus sign", [](Form1& g) { g.LblAmmo.setCaption("+7"); },
     "counter caption: LblAmmo shows \"+7\" for \"7\""},
    {"a countdown as minus zero", [](Form1& g) { g.lblclock.setCaption("-0"); },
     "counter caption: lblclock shows \"-0\" for \"0\""},
    {"hits going down", [](Form1& g) { g.LblScore2.setCaption("-1"); },
     "hits never go down: LblScore2 went from \"0\" to \"-1\""},
    {"a duck with the crate's picture",
     [](Form1& g) { g.Imgduck2.setPicture(g.ImgAmmo.picture()); },
     "duck size: Imgduck2 is 1680 x 1755 twips"},
    {"a store with the field's picture",
     [](Form1& g) { g.ImgDead.setPicture(g.imgField.picture()); },
     "duck size: ImgDead is 10800 x 10800 twips"},
};

TEST(Invariants, EachFiresWhenAHandlerBreaksIt) {
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.what);
        std::ostringstream o, e;
        ScriptDriver fresh(o, e);
        fresh.checkInvariants();
        std::istringstream start("key F1\nadvance 3000");
        ASSERT_EQ(fresh.run(start), Status::Running) << e.str();
        Timer& clock = fresh.form().timer("TmrTime");
        clock.onTimer = [&, real = clock.onTimer] {
            real();
            fault.breakIt(fresh.game());
        };
        std::istringstream tick("advance 500\nadvance 500\nget Shots");
        EXPECT_EQ(fresh.run(tick), Status::CheckFailed);
        EXPECT_EQ(e.str(), std::string("check failed: 2: ") + fault.message + "\n");
        EXPECT_EQ(ScriptDriver::exitCode(Status::CheckFailed), 4);
    }
}

TEST_F(Checked, AWholeGameKeepsEveryInvariant) {
    InvariantChecker fresh(game());
    EXPECT_EQ(fresh.broken(), std::vector<std::string>{});
    std::string script;
    for (int i = 0; i < 40; ++i) script += "click ImgDuck1\nclick Imgduck2\nadvance 700\n";
    script += "advance 90000\nkey F1\n";  // time-up, and a new game
    for (int i = 0; i < 30; ++i) script += "click imgField\nadvance 100\n";
    EXPECT_EQ(run(script), Status::Running) << err.str();
    EXPECT_NE(out.str().find("msgbox Fail"), std::string::npos);
    EXPECT_NE(out.str().find("msgbox Oh no!"), std::string::npos);
}

TEST_F(Checked, ACheckCalledWhileAHandlerRunsFires) {
    InvariantChecker checker(game());
    std::string seen;
    form().deliver([&] { seen = checker.afterEvent(); });
    EXPECT_EQ(seen, "one handler at a time: a handler is still running after the event");
}

TEST_F(Checked, AStateSetByHandIsNotHeldAgainstTheGame) {
    // Broken by `set`: not judged while it stays broken, whatever events follow.
    EXPECT_EQ(run("set Shots 100\nset LblAmmo.Caption 2.5\nadvance 4000\nclick imgField"),
              Status::Running)
        << err.str();
    // Hits set lower than before: counting starts again from there.
    EXPECT_EQ(run("set LblScore2.Caption 7\nset LblScore2.Caption 2\nadvance 100"), Status::Running)
        << err.str();
    // What was not broken by hand is still judged.
    faultyClock([](Form1& g) { g.state.Duck1Up = 2; });
    EXPECT_EQ(run("advance 1000"), Status::CheckFailed);
    EXPECT_EQ(err.str(), "check failed: 1: direction flags: Duck1Up is 2, not -1 or 0\n");
}

TEST(InvariantCheckerTest, AnInvariantBrokenByHandIsJudgedAgainOnceItHolds) {
    std::ostringstream out, err;
    ScriptDriver session(out, err);
    Form1& g = session.game();
    InvariantChecker checker(g);
    g.state.AmmoClicks = 5;
    checker.rebaseline();
    EXPECT_EQ(checker.afterEvent(), "");
    EXPECT_EQ(checker.broken(),
              std::vector<std::string>{"click counts: AmmoClicks is 5, not 0, 1 or 2"});
    g.state.AmmoClicks = 1;  // an event put it right
    EXPECT_EQ(checker.afterEvent(), "");
    g.state.AmmoClicks = 5;  // and the next one broke it
    EXPECT_EQ(checker.afterEvent(), "click counts: AmmoClicks is 5, not 0, 1 or 2");
}

// Every way an event can reach the form, started from inside a running handler.
const std::pair<const char*, std::function<void(Form&)>> kNestedEvents[] = {
    {"click", [](Form& f) { f.click(f.image("imgField")); }},
    {"click_at", [](Form& f) { f.clickAt(5000, 5000); }},
    {"menu", [](Form& f) { f.choose(f.menuItem("mnuhelpAbout")); }},
    {"key", [](Form& f) { f.pressKey("F5"); }},
    {"fire", [](Form& f) { f.fire(f.timer("tmrAmmoMove")); }},
    {"advance", [](Form& f) { f.advanceTo(f.scheduler().now() + 100'000); }},
    {"any other", [](Form& f) { f.deliver([] {}); }},
};

TEST(OneHandlerAtATime, AnEventFromInsideAHandlerIsRefused) {
    for (const auto& event : kNestedEvents) {
        // A reference, not a structured binding: clang 14 cannot capture those.
        const auto& nested = event.second;
        SCOPED_TRACE(event.first);
        std::ostringstream out, err;
        ScriptDriver session(out, err);
        Form& form = session.form();
        bool finished = false;
        form.image("imgField").onClick = [&] {
            nested(form);
            finished = true;
        };
        EXPECT_THROW(form.click(form.image("imgField")), std::logic_error);
        EXPECT_FALSE(finished);
        EXPECT_EQ(out.str(), "");  // the nested event did not run
        // The form is not left busy: the next event runs.
        form.image("imgField").onClick = [&] { finished = true; };
        form.click(form.image("imgField"));
        EXPECT_TRUE(finished);

        // With the checks on, the driver reports it as a failed check.
        session.checkInvariants();
        form.image("imgField").onClick = [&] { nested(form); };
        std::istringstream script("click imgField");
        EXPECT_EQ(session.run(script), Status::CheckFailed);
        EXPECT_EQ(err.str(), "check failed: 1: an event arrived while a handler was running\n");
    }
}

struct Outcome {
    int exitCode;
    std::string out, err;
};

Outcome runProgram(const std::string& args, const std::string& script) {
    const std::string base = ::testing::TempDir() + "invariants_cli";
    std::ofstream(base + ".sim") << script;
    const std::string command = std::string(FENWING_SIM) + " " + args + " < " + base + ".sim > " +
                                base + ".out 2> " + base + ".err";
    const int status = std::system(command.c_str());
    const auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(base + ".out"),
            slurp(base + ".err")};
}

TEST(CheckOption, ChangesNothingInAGameThatKeepsTheInvariants) {
    const std::string game =
        "key F1\nadvance 2000\nclick ImgDuck1\nclick imgField\nadvance 61000\nget "
        "LblScore2.Caption\nget Shots\nset AmmoClicks 9\nadvance 1000\nget AmmoClicks\n";
    const Outcome plain = runProgram("", game);
    const Outcome checked = runProgram("--check", game);
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_EQ(checked.exitCode, 0) << checked.err;
    EXPECT_EQ(checked.out, plain.out);
    EXPECT_NE(checked.out.find("msgbox Fail"), std::string::npos);
    EXPECT_EQ(runProgram("--check extra words", "").exitCode, 2);
}

}  // namespace
}  // namespace fenwing
