// A headless game for the tests: the real form and game, driven by the driver's own commands.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/sim/session.h"
#include "playfield/layout.h"

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
        EXPECT_EQ(status_, SimSession::Status::Running) << err_.str();
        return printed.empty() ? printed : printed.substr(0, printed.size() - 1);
    }
    int num(const std::string& what) { return std::stoi(get(what)); }

    // Runs `command` `n` times.
    void repeat(const std::string& command, int n) {
        std::string script;
        for (int i = 0; i < n; ++i) script += command + '\n';
        run(script.c_str());
        ASSERT_EQ(status_, SimSession::Status::Running) << err_.str();
    }

    Form1& game() { return session_.game(); }
    Form& form() { return session_.form(); }
    std::string errors() const { return err_.str(); }
    SimSession::Status status() const { return status_; }

    std::ostringstream out_, err_;
    SimSession session_{out_, err_};
    SimSession::Status status_ = SimSession::Status::Running;
};

// The game on the laid-out form, without the driver: a host whose clock stands still unless a
// test moves it, and which records each box with what the form showed as it opened.
class HostedGame : public ::testing::Test, public Services {
  protected:
    HostedGame() {
        form->deliver([this] { game.Form_Load(); });
    }
    void MsgBox(const std::string& prompt, int buttons, const std::string& title) override {
        std::string s = title + " | " + prompt + " | " + std::to_string(buttons) + " |";
        for (const char* name : {"TmrTime", "TmrAmmo", "TmrClock", "TmrDuck1"})
            s += form->timer(name).Enabled() ? " on" : " off";
        for (const char* name : {"ImgDuck1", "Imgduck2", "Imgduck3"})
            s += form->image(name).Visible() ? " shown" : " hidden";
        s += " " + form->label("LblTimeLeft").Caption() + " " + form->label("LblScore2").Caption();
        boxes.push_back(s);
    }
    double clockReading() override { return reading; }

    void start() { form->choose(form->menuItem("mnufileStart")); }
    void click(const char* image) { form->click(form->image(image)); }

    std::unique_ptr<Form> form = buildForm1();
    Random random{1};
    Form1 game{*form, *this, random};
    double reading = 0;
    std::vector<std::string> boxes;
};

inline constexpr const char* kOutOfAmmo =
    "msgbox Oh no! | You ran out of ammo! The ducks got away!!\n";
inline constexpr const char* kTimeUp =
    "msgbox Fail | Awww. The remaining ducks got away!!! Try again?\n";

}  // namespace fenwing::testing
