// Floating-point numbers to decimal text and back, exactly as std::to_chars and std::from_chars
// do. Standard libraries that lack their floating-point overloads (the libc++ of the web build's
// toolchain among them) get the same texts and numbers from a portable version built on
// snprintf and strtod; where the library has them, they are used and the portable version is not.
#pragma once

#include <charconv>
#include <type_traits>

namespace fenwing::decimal {

// Portable versions of the std functions below, for the formats and texts this program uses.
namespace portable {

// The shortest text that reads back as the very same number, written as `format` fixed (whole
// numbers in all their digits) or general (as printf's %g chooses: exponents from -4 to 5 are
// written out, others as "1.5e+15"). Infinities and NaNs are written as "inf" and "nan".
std::to_chars_result toChars(char* first, char* last, double value, std::chars_format format);
std::to_chars_result toChars(char* first, char* last, float value, std::chars_format format);

// Reads the longest decimal number at `first`: an optional minus sign, digits with an optional
// point, and an optional exponent ("e-5"). "inf", "nan" and hexadecimal are not read. A number
// too large for a double, or one that is not zero but too small, is result_out_of_range.
std::from_chars_result fromChars(const char* first, const char* last, double& value);

}  // namespace portable

// For a double or a float.
template <class Float>
std::to_chars_result toChars(char* first, char* last, Float value, std::chars_format format) {
    static_assert(std::is_same_v<Float, double> || std::is_same_v<Float, float>);
#ifdef __cpp_lib_to_chars
    return std::to_chars(first, last, value, format);
#else
    return portable::toChars(first, last, value, format);
#endif
}

inline std::from_chars_result fromChars(const char* first, const char* last, double& value) {
#ifdef __cpp_lib_to_chars
    return std::from_chars(first, last, value);
#else
    return portable::fromChars(first, last, value);
#endif
}

}  // namespace fenwing::decimal
