// The host's conversions between text and numbers, and ordinal text comparison.
#pragma once

#include <string>
#include <string_view>

#include "host/int16.h"

namespace fenwing {

// Decimal text to a double. Leading and trailing blanks are allowed; anything else that
// is not a finite decimal number raises "Type mismatch".
double Val(std::string_view text);

// A number as its shortest decimal text: "59", "-1", "0.5"; never "59.0" or " 59".
std::string Str(double value);
std::string Str(Int16 value);

// Ordinal comparison by character code; a prefix sorts before the longer text.
// Returns a negative number, zero or a positive number.
int StrCompOrdinal(std::string_view a, std::string_view b);

// Largest whole number not greater than the argument.
double Int(double value);

}  // namespace fenwing
