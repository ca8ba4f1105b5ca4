// Control properties by name, as text: the headless driver's get and set.
#pragma once

#include <string>
#include <string_view>

#include "host/form.h"

namespace fenwing {

// Numbers read as their shortest decimal text, Booleans as True or False, captions as their
// text and pictures by name. Both throw std::invalid_argument with a reason a person can read.
std::string getProperty(const Form& form, std::string_view control, std::string_view property);
void setProperty(Form& form, std::string_view control, std::string_view property,
                 std::string_view value);

// Parses a finite decimal number, or throws std::invalid_argument naming what was expected.
double parseNumber(std::string_view text, std::string_view what);
bool parseBoolean(std::string_view text, std::string_view what);

}  // namespace fenwing
