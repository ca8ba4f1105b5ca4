#include "playfield/layout.h"

#include <array>

namespace fenwing {

namespace {

using enum ControlType;
using enum Alignment;

constexpr std::string_view kSans = "MS Sans Serif";
constexpr std::string_view kMsSans = "Microsoft Sans Serif";

// clang-format off
constexpr std::array kControls = {
//  name             type   left   top    width  height vis    caption       align   font     pt     bold   picture       stretch
    ControlLayout{"ImgAmmo",       Image, 11760, 7680,  600,   555,  false, "",           Left,   "",      0,     false, "ammo",       true},
    ControlLayout{"ImgClock",      Image, 1560,  2160,  570,   570,  false, "",           Left,   "",      0,     false, "clock",      true},
    ControlLayout{"LblAmmo",       Label, 480,   2520,  615,   255,  false, "10",         Left,   "",      0,     false, "",           false},
    ControlLayout{"lblclock",      Label, 480,   2040,  615,   255,  false, "20",         Left,   "",      0,     false, "",           false},
    ControlLayout{"Imgduck2",      Image, 1440,  840,   1305,  900,  false, "",           Left,   "",      0,     false, "duck-right", false},
    ControlLayout{"ImgDuck1",      Image, 1440,  9360,  1305,  900,  false, "",           Left,   "",      0,     false, "duck-right", false},
    ControlLayout{"Imgduck3",      Image, 11160, 9360,  1305,  900,  false, "",           Left,   "",      0,     false, "duck-left",  false},
    ControlLayout{"LblTimeLeft",   Label, 7080,  11160, 1455,  495,  true,  "60",         Center, kMsSans, 14.25, false, "",           false},
    ControlLayout{"lblyay",        Label, 5400,  11160, 1455,  495,  true,  "Time Left:", Center, kMsSans, 14.25, false, "",           false},
    ControlLayout{"ImgDead",       Image, 120,   8040,  1305,  900,  false, "",           Left,   "",      0,     false, "duck-dead",  false},
    ControlLayout{"imgleft",       Image, 120,   6960,  1305,  900,  false, "",           Left,   "",      0,     false, "duck-left",  false},
    ControlLayout{"Imgright",      Image, 120,   5880,  1305,  900,  false, "",           Left,   "",      0,     false, "duck-right", false},
    ControlLayout{"LblShotsLeft2", Label, 9840,  11160, 2175,  495,  true,  "25",         Center, kSans,   13.5,  false, "",           false},
    ControlLayout{"LblShotsLeft",  Label, 9960,  10440, 1935,  495,  true,  "Shots Left", Center, kSans,   13.5,  true,  "",           false},
    ControlLayout{"LblScore2",     Label, 2040,  11160, 1695,  495,  true,  "0",          Center, kSans,   13.5,  false, "",           false},
    ControlLayout{"lblscore",      Label, 2520,  10440, 855,   495,  true,  "Hits!",      Left,   kSans,   18,    true,  "",           false},
    ControlLayout{"lbltitle",      Label, 5040,  120,   3855,  495,  true,  "Fenwing",    Center, kSans,   24,    true,  "",           false},
    ControlLayout{"imgField",      Image, 1440,  840,   11040, 9405, true,  "",           Left,   "",      0,     false, "field",      true},
};

constexpr std::array kTimers = {
    TimerLayout{"tmrAmmoMove", 1, true},   TimerLayout{"tmrClockMove", 1, true},
    TimerLayout{"TmrAmmo", 1000, false},   TimerLayout{"TmrClock", 1000, false},
    TimerLayout{"TmrTime", 1000, false},   TimerLayout{"tmrdead3", 1, true},
    TimerLayout{"tmrdead2", 1, true},      TimerLayout{"Tmrdead1", 1, true},
    TimerLayout{"TmrDuck3", 1, false},     TimerLayout{"TmrDuck2", 1, false},
    TimerLayout{"TmrDuck1", 1, false},
};

constexpr std::array kMenus = {
    MenuItemLayout{"mnufile", "File", "mnufileStart", "Start", "F1"},
    MenuItemLayout{"mnufile", "File", "mnufileExit", "Exit", "Del"},
    MenuItemLayout{"MnuHelp", "Help", "mnuhelpControls", "Controls", "F3"},
    MenuItemLayout{"MnuHelp", "Help", "mnuhelpAbout", "About", "F5"},
    MenuItemLayout{"MnuHelp", "Help", "MnuHelpHow", "How To Play", "F4"},
};

constexpr std::array kPictures = {
    PictureLayout{"field", "field.jpg", 720, 720},
    PictureLayout{"duck-right", "duck-right.jpg", 87, 60},
    PictureLayout{"duck-left", "duck-left.jpg", 87, 60},
    PictureLayout{"duck-dead", "duck-dead.gif", 87, 60},
    PictureLayout{"ammo", "ammo.gif", 112, 117},
    PictureLayout{"clock", "clock.gif", 78, 78},
};
// clang-format on

std::string str(std::string_view s) { return std::string(s); }

}  // namespace

WindowLayout windowLayout() { return {"Fenwing", 13905, 12045, 0xC0C0C0}; }
std::span<const ControlLayout> controlLayout() { return kControls; }
std::span<const TimerLayout> timerLayout() { return kTimers; }
std::span<const MenuItemLayout> menuLayout() { return kMenus; }
std::span<const PictureLayout> pictureLayout() { return kPictures; }

std::unique_ptr<Form> buildForm1() {
    auto form = std::make_unique<Form>(str(windowLayout().caption));
    for (const PictureLayout& p : kPictures) form->addPicture({str(p.name), p.widthPx, p.heightPx});
    for (const ControlLayout& c : kControls) {
        VisualControl* control = nullptr;
        if (c.type == ControlType::Image) {
            fenwing::Image& image = form->addImage(str(c.name));
            image.setStretch(c.stretch);
            image.setRect({float(c.left), float(c.top), float(c.width), float(c.height)});
            image.setPicture(&form->picture(c.picture));
            control = &image;
        } else {
            fenwing::Label& label = form->addLabel(str(c.name));
            label.setRect({float(c.left), float(c.top), float(c.width), float(c.height)});
            label.setCaption(str(c.caption));
            label.alignment = c.alignment;
            label.font = {str(c.fontFace), c.fontPoints, c.bold};
            control = &label;
        }
        control->setVisible(c.visible);
    }
    for (const TimerLayout& t : kTimers) form->addTimer(str(t.name), t.intervalMs, t.enabled);
    for (const MenuItemLayout& m : kMenus)
        form->addMenuItem(str(m.menu), str(m.menuCaption), str(m.name), str(m.caption),
                          str(m.shortcut));
    return form;
}

}  // namespace fenwing
