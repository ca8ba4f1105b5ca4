// A headless game for the tests: the real form and game, driven by the driver's own commands.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "session/driver.h"

namespace fenwing::testing {

class SimTest : public ::testing::Test {
  protected:
    // Runs the script's lines and returns what they printed (cleared before each run).
    std::string run(const char* script) {
        out_.str({});
        err_.str({});
        std::istringstream in(script);
        status_ = session_.run(in);
        return out_.str();
    }

    // One value, as `get` prints it, without the line break.
    std::string get(const std::string& what) {
        const std::string printed = run(("get " + what).c_str());
        EXPECT_EQ(status_, ScriptDriver::Status::Running) << err_.str();
        return printed.empty() ? printed : printed.substr(0, printed.size() - 1);
    }
    int num(const std::string& what) { return std::stoi(get(what)); }

    // Runs `command` `n` times.
    void repeat(const std::string& command, int n) {
        std::string script;
        for (int i = 0; i < n; ++i) script += command + '\n';
        run(script.c_str());
        ASSERT_EQ(status_, ScriptDriver::Status::Running) << err_.str();
    }

    Form1& game() { return session_.game(); }
    Form& form() { return session_.form(); }
    std::string errors() const { return err_.str(); }
    ScriptDriver::Status status() const { return status_; }

    std::ostringstream out_, err_;
    ScriptDriver session_{out_, err_};
    ScriptDriver::Status status_ = ScriptDriver::Status::Running;
};

// The game in a session, without the driver: its clock stands still unless a test moves it,
// and each box is noted with what the form showed as it opened. As a Services, the fixture
// reads the session's clock, for draws worked out beside the game's.
class HostedGame : public ::testing::Test, public Services {
  protected:
    HostedGame() {
        session.onBox = [this](const Box& box) {
            std::string s = box.title + " | " + box.prompt + " | 0 |";
            for (const char* name : {"TmrTime", "TmrAmmo", "TmrClock", "TmrDuck1"})
                s += form->timer(name).Enabled() ? " on" : " off";
            for (const char* name : {"ImgDuck1", "Imgduck2", "Imgduck3"})
                s += form->image(name).Visible() ? " shown" : " hidden";
            s += " " + form->label("LblTimeLeft").Caption() + " " +
                 form->label("LblScore2").Caption();
            boxes.push_back(s);
        };
    }
    void MsgBox(const std::string&, int, const std::string&) override {}
    double clockReading() override { return form->scheduler().seconds(); }

    void start() { form->choose(form->menuItem("mnufileStart")); }
    void click(const char* image) { form->click(form->image(image)); }
    // Time passing with no game running, so that the generator reads another clock.
    void idle(Micros micros) { session.advanceTo(session.now() + micros); }

    std::ostringstream printed;
    GameSession session{1, printed};
    Form* form = &session.form();
    Form1& game = session.game();
    Random& random = session.random();
    std::vector<std::string> boxes;
};

inline constexpr const char* kOutOfAmmo =
    "msgbox Oh no! | You ran out of ammo! The ducks got away!!\n";
inline constexpr const char* kTimeUp =
    "msgbox Fail | Awww. The remaining ducks got away!!! Try again?\n";

}  // namespace fenwing::testing
