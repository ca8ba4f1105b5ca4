// GameState's fields by name, for the headless driver's get and set.
#include <charconv>
#include <stdexcept>

#include "game/fields.h"
#include "game/form1.h"
#include "host/text.h"

namespace fenwing {

bool Form1::isField(std::string_view name) { return findGameField(name) != nullptr; }

std::string Form1::getField(std::string_view name) const {
    const GameField* f = findGameField(name);
    if (!f) throw std::invalid_argument("no field " + std::string(name));
    const Int16 v = state.*(f->member);
    if (f->flag && (v == True || v == False)) return v == True ? "True" : "False";
    return Str(v);
}

Int16 Form1::fieldValue(std::string_view name, std::string_view value) {
    const GameField* f = findGameField(name);
    if (!f) throw std::invalid_argument("no field " + std::string(name));
    if (f->flag) {
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
    state.*(findGameField(name)->member) = fieldValue(name, value);
}

}  // namespace fenwing
