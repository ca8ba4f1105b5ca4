#include "host/script/perform.h"

#include <ostream>

#include "host/properties.h"

namespace fenwing::script {

void perform(const Command& c, Form1& game, Random& random, std::ostream& out) {
    Form& form = game.form();
    switch (c.verb) {
        case Verb::Menu:
            return form.choose(form.menuItem(c.name));
        case Verb::Key:
            form.pressKey(c.name);
            return;
        case Verb::Click:
            if (auto* control = dynamic_cast<VisualControl*>(form.find(c.name)))
                form.click(*control);
            return;
        case Verb::ClickAt:
            return form.clickAt(c.x, c.y);
        case Verb::Fire:
            return form.fire(form.timer(c.name));
        case Verb::Advance:
            return form.advanceTo(form.scheduler().now() + c.micros);
        case Verb::Stall:
            return form.catchUpTo(form.scheduler().now() + c.micros);
        case Verb::Get:
            out << (c.property.empty() && Form1::isField(c.name)
                        ? game.getField(c.name)
                        : getProperty(form, c.name, c.property))
                << '\n';
            return;
        case Verb::Set:
            if (c.property.empty() && Form1::isField(c.name))
                game.setField(c.name, c.value);
            else
                setProperty(form, c.name, c.property, c.value);
            return;
        case Verb::Seed:
            return random.seed(c.number);
        case Verb::Version:
            return;  // checked as it was read
        case Verb::State:
            return printState(out, game);
    }
}

void printBox(std::ostream& out, const std::string& title, const std::string& prompt) {
    out << "msgbox " << title << " | " << prompt << '\n';
}

}  // namespace fenwing::script
