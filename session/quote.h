// Text from outside the program, such as a script's line or a file's name, as a message shows
// it: on one line, and as a terminal shows it whatever bytes it holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fenwing {

// How many characters of a text a message quotes before it cuts it.
constexpr std::size_t kQuotedChars = 60;

// The length of the UTF-8 sequence that starts `text`, and its character in `c`; 0 when the
// bytes there are not one (cut short, overlong, a surrogate, or past U+10FFFF).
std::size_t decodeUtf8(std::string_view text, char32_t& c);

// `text` with a backslash before each backslash, and each byte or character that a terminal
// would not show as itself escaped: a control byte or a byte that is not part of UTF-8 as
// "\x00", and a character that shows as nothing or as a plain space (a byte-order mark, a
// zero-width or direction mark, a no-break space) as "\uFEFF".
std::string escaped(std::string_view text);

// `text` escaped, in single quotes; one longer than kQuotedChars characters is cut there, and
// "..." after the closing quote says so.
std::string quote(std::string_view text);

}  // namespace fenwing
