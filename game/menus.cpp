#include "game/form1.h"

namespace fenwing {

namespace {
constexpr const char* kControlsText =
    "F1 is Start, F2 is Reset, F3 is Controls, F4 is How to Play, F5 is About";
constexpr const char* kAboutText = "Fenwing 1.0, a duck shooting game for one player";
constexpr const char* kHowToPlayText =
    "To play this version of fenwing you hit F1 to start it and you have to click on the moving "
    "ducks to try and shoot down as many as you can before the time runs out. You only have one "
    "minute and 25 shots and every once and a while an item will go by that will give you more "
    "time or shots. Have fun and good luck hunting!";
}  // namespace

// Quits at once, without a question.
void Form1::mnufileExit_Click() { End(); }

// The help boxes pause nothing.
void Form1::mnuhelpControls_Click() { services_.MsgBox(kControlsText, 0, "Controls"); }
void Form1::mnuhelpAbout_Click() { services_.MsgBox(kAboutText, 0, "About"); }
void Form1::MnuHelpHow_Click() { services_.MsgBox(kHowToPlayText, 0, "How To Play"); }

}  // namespace fenwing
