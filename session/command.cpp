#include "session/command.h"

#include <array>
#include <charconv>

#include "host/decimal.h"

namespace fenwing::script {

namespace {

// The shortest text that reads back as this very float. The driver reads it as a double and
// then takes the nearest float: with at most nine digits it cannot fall nearer another float.
std::string twips(float v) {
    std::array<char, 64> buffer{};
    const auto end =
        decimal::toChars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::fixed)
            .ptr;
    return std::string(buffer.data(), end);
}

}  // namespace

std::string millis(Micros micros) {
    std::string text = std::to_string(micros / 1000);
    if (const Micros rest = micros % 1000; rest != 0) {
        std::string fraction = std::to_string(rest + 1000).substr(1);  // three digits
        while (fraction.back() == '0') fraction.pop_back();
        text += '.' + fraction;
    }
    return text;
}

std::string format(const Command& c) {
    switch (c.verb) {
        case Verb::Menu:
            return "menu " + c.name;
        case Verb::Key:
            return "key " + c.name;
        case Verb::Click:
            return "click " + c.name;
        case Verb::ClickAt:
            return "click_at " + twips(c.x) + " " + twips(c.y);
        case Verb::Fire:
            return "fire " + c.name;
        case Verb::Advance:
            return "advance " + millis(c.micros);
        case Verb::Stall:
            return "stall " + millis(c.micros);
        case Verb::Get:
            return "get " + (c.property.empty() ? c.name : c.name + "." + c.property);
        case Verb::Set:
            return "set " + (c.property.empty() ? c.name : c.name + "." + c.property) + " " +
                   c.value;
        case Verb::Seed:
            return "seed " + std::to_string(c.number);
        case Verb::Version:
            return "version " + std::to_string(c.number);
        case Verb::State:
            return "state";
    }
    return {};
}

}  // namespace fenwing::script
