// The controls of a form: images, labels, timers and menu items.
#pragma once

#include <functional>
#include <string>

#include "host/geometry.h"
#include "host/picture.h"

namespace fenwing {

class Form;

using Handler = std::function<void()>;

enum class ControlType { Image, Label, Timer, MenuItem };

class Control {
  public:
    Control(Form& form, std::string name, ControlType type)
        : form_(form), name_(std::move(name)), type_(type) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    ControlType type() const { return type_; }

  protected:
    Form& form_;

  private:
    std::string name_;
    ControlType type_;
};

// A light, windowless control with a place on the form: an image or a label.
class VisualControl : public Control {
  public:
    using Control::Control;

    float Left() const { return rect_.left; }
    float Top() const { return rect_.top; }
    float Width() const { return rect_.width; }
    float Height() const { return rect_.height; }
    bool Visible() const { return visible_; }
    const Rect& rect() const { return rect_; }

    void setLeft(float v) { move({v, rect_.top, rect_.width, rect_.height}); }
    void setTop(float v) { move({rect_.left, v, rect_.width, rect_.height}); }
    void setVisible(bool v);
    void setRect(const Rect& to) { move(to); }  // for building from a layout

  protected:
    void move(const Rect& to);
    void invalidate();  // asks the host to redraw this control where it stands, if shown

  private:
    Rect rect_;
    bool visible_ = false;
};

class Image : public VisualControl {
  public:
    Image(Form& form, std::string name)
        : VisualControl(form, std::move(name), ControlType::Image) {}

    const Picture* picture() const { return picture_; }
    // With Stretch off the image takes the size of each picture it is given.
    void setPicture(const Picture* picture);
    bool stretch() const { return stretch_; }
    void setStretch(bool on) { stretch_ = on; }

    Handler onClick;

  private:
    const Picture* picture_ = nullptr;
    bool stretch_ = false;
};

struct Font {
    std::string face;  // empty: the host's default
    double points = 0;
    bool bold = false;
};

enum class Alignment { Left, Center };

class Label : public VisualControl {
  public:
    Label(Form& form, std::string name)
        : VisualControl(form, std::move(name), ControlType::Label) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(std::string text);

    Font font;
    Alignment alignment = Alignment::Left;

  private:
    std::string caption_;
};

class Timer : public Control {
  public:
    Timer(Form& form, std::string name, int slot)
        : Control(form, std::move(name), ControlType::Timer), slot_(slot) {}

    bool Enabled() const { return enabled_; }
    // Enabling a disabled timer starts its interval from this moment; enabling an enabled one
    // changes nothing.
    void setEnabled(bool on);
    int Interval() const { return interval_; }
    void setInterval(int ms);
    int slot() const { return slot_; }

    Handler onTimer;

  private:
    int slot_;
    int interval_ = 0;
    bool enabled_ = false;
};

class MenuItem : public Control {
  public:
    MenuItem(Form& form, std::string name, std::string caption, std::string shortcut)
        : Control(form, std::move(name), ControlType::MenuItem),
          caption_(std::move(caption)),
          shortcut_(std::move(shortcut)) {}

    const std::string& Caption() const { return caption_; }
    const std::string& shortcut() const { return shortcut_; }

    Handler onClick;

  private:
    std::string caption_;
    std::string shortcut_;
};

}  // namespace fenwing
