// The fixed layout of Form1: the window, its controls in stacking order, its timers, menus and
// pictures. The host builds the form from this data; the game reaches each control by its name.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "host/form.h"

namespace fenwing {

struct WindowLayout {
    std::string_view caption;
    int clientWidth, clientHeight;  // twips
    unsigned backColor;             // 0xRRGGBB
};

struct ControlLayout {
    std::string_view name;
    ControlType type;
    int left, top, width, height;
    bool visible;
    std::string_view caption;  // labels
    Alignment alignment;
    std::string_view fontFace;  // empty: the host's default
    double fontPoints;
    bool bold;
    std::string_view picture;  // images
    bool stretch;
};

struct TimerLayout {
    std::string_view name;
    int intervalMs;
    bool enabled;
};

struct MenuItemLayout {
    std::string_view menu, menuCaption, name, caption, shortcut;
};

struct PictureLayout {
    std::string_view name;      // as the driver prints it
    std::string_view resource;  // the embedded file
    int widthPx, heightPx;
};

WindowLayout windowLayout();
std::span<const ControlLayout> controlLayout();  // frontmost first
std::span<const TimerLayout> timerLayout();
std::span<const MenuItemLayout> menuLayout();
std::span<const PictureLayout> pictureLayout();

// A new form with every control in the state the layout gives it.
std::unique_ptr<Form> buildForm1();

}  // namespace fenwing
