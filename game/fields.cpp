// GameState's fields by name, for the headless driver's get and set.
#include <array>
#include <charconv>
#include <stdexcept>
#include <utility>

#include "game/form1.h"
#include "host/text.h"

namespace fenwing {

namespace {
using FieldPtr = Int16 GameState::*;
struct FieldInfo {
    std::string_view name;
    FieldPtr field;
    bool boolean;
};
constexpr std::array<FieldInfo, 9> kFields = {{
    {"Duck1Up", &GameState::Duck1Up, true},
    {"Duck1Left", &GameState::Duck1Left, true},
    {"Duck2Up", &GameState::Duck2Up, true},
    {"Duck2Left", &GameState::Duck2Left, true},
    {"Duck3Up", &GameState::Duck3Up, true},
    {"Duck3Left", &GameState::Duck3Left, true},
    {"Shots", &GameState::Shots, false},
    {"ClockClicks", &GameState::ClockClicks, false},
    {"AmmoClicks", &GameState::AmmoClicks, false},
}};

const FieldInfo* lookup(std::string_view name) {
    for (const FieldInfo& f : kFields)
        if (f.name == name) return &f;
    return nullptr;
}
}  // namespace

bool Form1::isField(std::string_view name) { return lookup(name) != nullptr; }

std::string Form1::getField(std::string_view name) const {
    const FieldInfo* f = lookup(name);
    if (!f) throw std::invalid_argument("no field " + std::string(name));
    const Int16 v = state.*(f->field);
    if (f->boolean && (v == True || v == False)) return v == True ? "True" : "False";
    return Str(v);
}

Int16 Form1::fieldValue(std::string_view name, std::string_view value) {
    const FieldInfo* f = lookup(name);
    if (!f) throw std::invalid_argument("no field " + std::string(name));
    if (f->boolean) {
        if (value != "True" && value != "False")
            throw std::invalid_argument(std::string(name) + " takes True or False");
        return value == "True" ? True : False;
    }
    int n = 0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc() || end != value.data() + value.size() || n < Int16::kMin ||
        n > Int16::kMax)
        throw std::invalid_argument(std::string(name) +
                                    " takes a whole number from -32768 to 32767");
    return n;
}

void Form1::setField(std::string_view name, std::string_view value) {
    state.*(lookup(name)->field) = fieldValue(name, value);
}

}  // namespace fenwing
