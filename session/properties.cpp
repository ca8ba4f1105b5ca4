#include "session/properties.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "host/text.h"
#include "session/quote.h"

namespace fenwing {

namespace {
[[noreturn]] void fail(const std::string& reason) { throw std::invalid_argument(reason); }

Control& control(const Form& form, std::string_view name) {
    Control* c = form.find(name);
    if (!c) fail("no control named " + quote(name));
    return *c;
}

std::string boolText(bool b) { return b ? "True" : "False"; }

[[noreturn]] void noProperty(const Control& c, std::string_view property) {
    fail(c.name() + " has no property " + quote(property) + " that can be used here");
}
}  // namespace

double parseNumber(std::string_view text, std::string_view what) {
    try {
        const double v = Val(text);
        if (std::fabs(v) <= std::numeric_limits<float>::max()) return v;
    } catch (const RuntimeError&) {
    }
    fail(std::string(what) + " must be a number, not " + quote(text));
}

bool parseBoolean(std::string_view text, std::string_view what) {
    if (text == "True") return true;
    if (text == "False") return false;
    fail(std::string(what) + " must be True or False, not " + quote(text));
}

std::string getProperty(const Form& form, std::string_view name, std::string_view property) {
    Control& c = control(form, name);
    if (auto* v = dynamic_cast<VisualControl*>(&c)) {
        if (property == "Left") return Str(v->Left());
        if (property == "Top") return Str(v->Top());
        if (property == "Width") return Str(v->Width());
        if (property == "Height") return Str(v->Height());
        if (property == "Visible") return boolText(v->Visible());
    }
    if (auto* i = dynamic_cast<Image*>(&c); i && property == "Picture")
        return i->picture() ? i->picture()->name : "";
    if (auto* l = dynamic_cast<Label*>(&c); l && property == "Caption") return l->Caption();
    if (auto* m = dynamic_cast<MenuItem*>(&c); m && property == "Caption") return m->Caption();
    if (auto* t = dynamic_cast<Timer*>(&c)) {
        if (property == "Enabled") return boolText(t->Enabled());
        if (property == "Interval") return Str(static_cast<double>(t->Interval()));
    }
    noProperty(c, property);
}

void setProperty(Form& form, std::string_view name, std::string_view property,
                 std::string_view value) {
    Control& c = control(form, name);
    const std::string what = c.name() + "." + std::string(property);
    if (auto* v = dynamic_cast<VisualControl*>(&c)) {
        if (property == "Left") return v->setLeft(static_cast<float>(parseNumber(value, what)));
        if (property == "Top") return v->setTop(static_cast<float>(parseNumber(value, what)));
        if (property == "Visible") return v->setVisible(parseBoolean(value, what));
        if (property == "Width" || property == "Height") fail(what + " is read-only");
    }
    if (auto* i = dynamic_cast<Image*>(&c); i && property == "Picture") {
        const Picture* p = form.findPicture(value);
        if (!p) fail("no picture named " + quote(value));
        return i->setPicture(p);
    }
    if (auto* l = dynamic_cast<Label*>(&c); l && property == "Caption")
        return l->setCaption(std::string(value));
    if (auto* t = dynamic_cast<Timer*>(&c)) {
        if (property == "Enabled") return t->setEnabled(parseBoolean(value, what));
        if (property == "Interval") {
            const double ms = parseNumber(value, what);
            if (ms != std::floor(ms) || ms < 0 || ms > 65535)
                fail(what + " must be a whole number from 0 to 65535");
            return t->setInterval(static_cast<int>(ms));
        }
    }
    noProperty(c, property);
}

}  // namespace fenwing
