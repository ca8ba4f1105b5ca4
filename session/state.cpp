// The driver's `state`: everything the game is, in one fixed order, so that two runs of a
// session can be compared line by line.
#include <ostream>
#include <string_view>

#include "game/fields.h"
#include "session/command.h"
#include "session/properties.h"
#include "session/state.h"

namespace fenwing::script {

namespace {
void line(std::ostream& out, std::string_view name, const std::string& value) {
    out << name;
    if (!value.empty()) out << ' ' << value;
    out << '\n';
}

void properties(std::ostream& out, const Form& form, const std::string& name,
                std::initializer_list<std::string_view> props) {
    for (std::string_view prop : props)
        line(out, name + "." + std::string(prop), getProperty(form, name, prop));
}
}  // namespace

void printState(std::ostream& out, const Form1& game) {
    const Form& form = game.form();
    const Scheduler& scheduler = form.scheduler();
    out << "time " << millis(scheduler.now()) << '\n';
    for (const GameField& field : kGameFields) line(out, field.name, game.getField(field.name));
    for (const VisualControl* c : form.stacking()) {
        properties(out, form, c->name(), {"Left", "Top", "Width", "Height", "Visible"});
        properties(out, form, c->name(), {c->type() == ControlType::Image ? "Picture" : "Caption"});
    }
    for (const Timer* t : form.timers()) {
        properties(out, form, t->name(), {"Enabled", "Interval"});
        if (const auto due = scheduler.dueOf(t->slot()))
            out << "due " << t->name() << ' ' << millis(*due) << '\n';
    }
    for (const Menu& menu : form.menus())
        for (const MenuItem* item : menu.items) properties(out, form, item->name(), {"Caption"});
}

void printBox(std::ostream& out, const std::string& title, const std::string& prompt) {
    out << "msgbox " << title << " | " << prompt << '\n';
}

}  // namespace fenwing::script
