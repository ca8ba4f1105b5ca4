// A form: the one window with its controls in stacking order, its timers and menus, the timer
// scheduler, and the delivery of events to handlers one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/controls.h"
#include "host/scheduler.h"

namespace fenwing {

// Told what part of the client area needs drawing again (twips).
class RepaintSink {
  public:
    virtual ~RepaintSink() = default;
    virtual void invalidate(const Rect& area) = 0;
};

struct Menu {
    std::string name;
    std::string caption;
    std::vector<MenuItem*> items;
};

class Form {
  public:
    explicit Form(std::string caption = {}) : caption_(std::move(caption)) {}
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Building, in order: each visual control goes behind those added before it.
    const Picture& addPicture(Picture picture);
    Image& addImage(const std::string& name);
    Label& addLabel(const std::string& name);
    Timer& addTimer(const std::string& name, int intervalMs, bool enabled);
    MenuItem& addMenuItem(const std::string& menuName, const std::string& menuCaption,
                          const std::string& name, const std::string& caption,
                          const std::string& shortcut);

    const std::string& caption() const { return caption_; }
    const std::vector<VisualControl*>& stacking() const { return stacking_; }  // front first
    const std::vector<Timer*>& timers() const { return timers_; }
    const std::vector<Menu>& menus() const { return menus_; }
    const std::vector<const Picture*>& pictures() const { return pictureList_; }

    // Look-ups by name; each returns null when there is no such control of that type.
    Control* find(std::string_view name) const;
    Image* findImage(std::string_view name) const;
    Label* findLabel(std::string_view name) const;
    Timer* findTimer(std::string_view name) const;
    MenuItem* findMenuItem(std::string_view name) const;
    MenuItem* findShortcut(std::string_view key) const;
    const Picture* findPicture(std::string_view name) const;

    // The same look-ups for names the layout guarantees; a missing one is a programming error.
    Image& image(std::string_view name) const;
    Label& label(std::string_view name) const;
    Timer& timer(std::string_view name) const;
    MenuItem& menuItem(std::string_view name) const;
    const Picture& picture(std::string_view name) const;

    // The frontmost shown control under a point, or null.
    VisualControl* controlAt(float x, float y) const;

    // Events. Each runs one handler to its end; none starts while another runs.
    void click(VisualControl& control);  // only a shown image with a handler reacts
    void clickAt(float x, float y);
    void choose(MenuItem& item);
    bool pressKey(std::string_view key);   // false when no menu item has that shortcut
    void fire(Timer& timer);               // one tick now, if it is enabled
    void advanceTo(Micros t);              // every tick that falls due, in order
    void catchUpTo(Micros t);              // one late tick for each timer due, after a stall
    void deliver(const Handler& handler);  // any other event, such as the form's Load

    Scheduler& scheduler() { return scheduler_; }
    const Scheduler& scheduler() const { return scheduler_; }

    void setRepaintSink(RepaintSink* sink) { repaint_ = sink; }
    void invalidate(const Rect& area) {
        ++redraws_;
        if (repaint_) repaint_->invalidate(area);
    }
    // How many times the form has asked for part of the client area to be drawn again, whether
    // or not a sink listens: events that leave it as it was changed nothing on the screen.
    std::uint64_t redrawsAsked() const { return redraws_; }

    // Takes the state of `other`, a form built from the same layout: every control's place,
    // visibility, picture (this form's own of the same name), caption and font, every timer's
    // interval and switch, and the scheduler with its clock and deadlines. The handlers, the
    // repaint sink and afterEvent stay this form's, and nothing is asked to be redrawn.
    void copyStateFrom(const Form& other);
    // Called after every event, for checks that watch the whole state.
    std::function<void()> afterEvent;
    bool inHandler() const { return busy_; }

  private:
    template <class T>
    T* findAs(std::string_view name) const;

    std::string caption_;
    std::vector<std::unique_ptr<Control>> owned_;
    std::vector<std::unique_ptr<Picture>> ownedPictures_;
    std::vector<const Picture*> pictureList_;
    std::map<std::string, Control*, std::less<>> byName_;
    std::vector<VisualControl*> stacking_;
    std::vector<Timer*> timers_;
    std::vector<Menu> menus_;
    Scheduler scheduler_;
    RepaintSink* repaint_ = nullptr;
    std::uint64_t redraws_ = 0;
    bool busy_ = false;
};

}  // namespace fenwing
