#include "host/form.h"

#include <stdexcept>
#include <utility>

namespace fenwing {

namespace {
// Resets the busy flag however the handler ends (End and run-time errors unwind through it).
struct BusyGuard {
    bool& flag;
    ~BusyGuard() { flag = false; }
};
}  // namespace

const Picture& Form::addPicture(Picture picture) {
    ownedPictures_.push_back(std::make_unique<Picture>(std::move(picture)));
    pictureList_.push_back(ownedPictures_.back().get());
    return *ownedPictures_.back();
}

Image& Form::addImage(const std::string& name) {
    auto* image = new Image(*this, name);
    owned_.emplace_back(image);
    byName_.emplace(name, image);
    stacking_.push_back(image);
    return *image;
}

Label& Form::addLabel(const std::string& name) {
    auto* label = new Label(*this, name);
    owned_.emplace_back(label);
    byName_.emplace(name, label);
    stacking_.push_back(label);
    return *label;
}

Timer& Form::addTimer(const std::string& name, int intervalMs, bool enabled) {
    auto* timer = new Timer(*this, name, scheduler_.add(intervalMs));
    owned_.emplace_back(timer);
    byName_.emplace(name, timer);
    timers_.push_back(timer);
    timer->setInterval(intervalMs);
    timer->setEnabled(enabled);
    return *timer;
}

MenuItem& Form::addMenuItem(const std::string& menuName, const std::string& menuCaption,
                            const std::string& name, const std::string& caption,
                            const std::string& shortcut) {
    auto* item = new MenuItem(*this, name, caption, shortcut);
    owned_.emplace_back(item);
    byName_.emplace(name, item);
    if (menus_.empty() || menus_.back().name != menuName)
        menus_.push_back({menuName, menuCaption, {}});
    menus_.back().items.push_back(item);
    return *item;
}

Control* Form::find(std::string_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

template <class T>
T* Form::findAs(std::string_view name) const {
    return dynamic_cast<T*>(find(name));
}

Image* Form::findImage(std::string_view name) const { return findAs<Image>(name); }
Label* Form::findLabel(std::string_view name) const { return findAs<Label>(name); }
Timer* Form::findTimer(std::string_view name) const { return findAs<Timer>(name); }
MenuItem* Form::findMenuItem(std::string_view name) const { return findAs<MenuItem>(name); }

MenuItem* Form::findShortcut(std::string_view key) const {
    for (const Menu& menu : menus_)
        for (MenuItem* item : menu.items)
            if (!item->shortcut().empty() && item->shortcut() == key) return item;
    return nullptr;
}

const Picture* Form::findPicture(std::string_view name) const {
    for (const Picture* p : pictureList_)
        if (p->name == name) return p;
    return nullptr;
}

namespace {
template <class T>
T& required(T* found, std::string_view name) {
    if (!found) throw std::logic_error("the form has no control or picture " + std::string(name));
    return *found;
}
}  // namespace

Image& Form::image(std::string_view name) const { return required(findImage(name), name); }
Label& Form::label(std::string_view name) const { return required(findLabel(name), name); }
Timer& Form::timer(std::string_view name) const { return required(findTimer(name), name); }
MenuItem& Form::menuItem(std::string_view name) const { return required(findMenuItem(name), name); }
const Picture& Form::picture(std::string_view name) const {
    return required(findPicture(name), name);
}

VisualControl* Form::controlAt(float x, float y) const {
    for (VisualControl* c : stacking_)
        if (c->Visible() && c->rect().contains(x, y)) return c;
    return nullptr;
}

void Form::deliver(const Handler& handler) {
    if (busy_) throw std::logic_error("an event arrived while a handler was running");
    if (handler) {
        busy_ = true;
        BusyGuard guard{busy_};
        handler();
    }
    if (afterEvent) afterEvent();
}

void Form::click(VisualControl& control) {
    if (!control.Visible() || control.type() != ControlType::Image) return;
    deliver(static_cast<Image&>(control).onClick);
}

void Form::clickAt(float x, float y) {
    if (VisualControl* c = controlAt(x, y)) click(*c);
}

void Form::choose(MenuItem& item) { deliver(item.onClick); }

bool Form::pressKey(std::string_view key) {
    MenuItem* item = findShortcut(key);
    if (item) choose(*item);
    return item != nullptr;
}

void Form::fire(Timer& timer) {
    if (timer.Enabled()) deliver(timer.onTimer);
}

void Form::copyStateFrom(const Form& other) {
    if (other.owned_.size() != owned_.size())
        throw std::logic_error("a form's state copied from a form of another layout");
    RepaintSink* const sink = std::exchange(repaint_, nullptr);
    const std::uint64_t redraws = redraws_;
    for (std::size_t i = 0; i < owned_.size(); ++i) {
        Control& to = *owned_[i];
        const Control& from = *other.owned_[i];
        if (to.name() != from.name() || to.type() != from.type())
            throw std::logic_error("a form's state copied from a form of another layout");
        switch (to.type()) {
            case ControlType::Image: {
                auto& image = static_cast<Image&>(to);
                const auto& source = static_cast<const Image&>(from);
                image.setStretch(source.stretch());
                // The picture first: without Stretch it sets the size, which the place then sets.
                image.setPicture(source.picture() ? &picture(source.picture()->name) : nullptr);
                break;
            }
            case ControlType::Label: {
                auto& label = static_cast<Label&>(to);
                const auto& source = static_cast<const Label&>(from);
                label.setCaption(source.Caption());
                label.font = source.font;
                label.alignment = source.alignment;
                break;
            }
            case ControlType::Timer: {
                auto& timer = static_cast<Timer&>(to);
                const auto& source = static_cast<const Timer&>(from);
                timer.setInterval(source.Interval());
                timer.setEnabled(source.Enabled());
                break;
            }
            case ControlType::MenuItem:
                break;  // its caption and shortcut are the layout's
        }
        if (auto* visual = dynamic_cast<VisualControl*>(&to)) {
            const auto& source = static_cast<const VisualControl&>(from);
            visual->setRect(source.rect());
            visual->setVisible(source.Visible());
        }
    }
    scheduler_ = other.scheduler_;  // the deadlines, which switching the timers above moved
    redraws_ = redraws;
    repaint_ = sink;
}

void Form::advanceTo(Micros t) {
    scheduler_.advanceTo(t, [this](int slot) { deliver(timers_[slot]->onTimer); });
}

void Form::catchUpTo(Micros t) {
    scheduler_.catchUp(t, [this](int slot) { deliver(timers_[slot]->onTimer); });
}

}  // namespace fenwing
