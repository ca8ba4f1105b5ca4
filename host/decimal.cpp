#include "host/decimal.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fenwing::decimal::portable {

namespace {

// The texts handed to strtod and strtof are bare digits and an exponent ("12345e-3"), never a
// point, so that they read the same in every locale.
double read(const char* text, double) { return std::strtod(text, nullptr); }
float read(const char* text, float) { return std::strtof(text, nullptr); }

template <class T>
struct Limits;
template <>
struct Limits<double> {
    static constexpr int kDigits = 17;                    // always enough to read back
    static constexpr double kExact = 9007199254740992.0;  // 2^53: whole numbers below are exact
};
template <>
struct Limits<float> {
    static constexpr int kDigits = 9;
    static constexpr double kExact = 16777216.0;  // 2^24
};

// A positive number as significant digits d0 d1 ... and the power of ten of d0.
struct Digits {
    std::array<char, 24> digit{};
    int count = 0;
    int exponent = 0;
};

// Reads back as `value` in its own type?
template <class T>
bool readsBack(const Digits& d, T value) {
    std::array<char, 48> text{};
    std::memcpy(text.data(), d.digit.data(), d.count);
    text[d.count] = 'e';
    std::to_chars(text.data() + d.count + 1, text.data() + text.size() - 1,
                  d.exponent - (d.count - 1));
    return read(text.data(), T{}) == value;
}

// The same digits one unit higher in the last place ("1999" -> "2000", "99" -> "10" a power up).
Digits nextUp(Digits d) {
    int i = d.count - 1;
    while (i >= 0 && d.digit[i] == '9') d.digit[i--] = '0';
    if (i >= 0) {
        ++d.digit[i];
    } else {
        d.digit[0] = '1';
        ++d.exponent;
    }
    return d;
}

// The fewest significant digits that read back as `value` (positive and finite); of several
// such, the nearest. printf rounds to the nearest text of each length; only just above a power
// of two, where the numbers below lie closer than those above, can a text one unit higher read
// back when the nearest one does not.
template <class T>
Digits shortest(T value) {
    int exponent2 = 0;
    const bool powerOfTwo = std::frexp(value, &exponent2) == T(0.5);
    std::array<char, 48> printed{};
    Digits d;
    for (int precision = 1; precision <= Limits<T>::kDigits; ++precision) {
        std::snprintf(printed.data(), printed.size(), "%.*e", precision - 1,
                      static_cast<double>(value));
        // "d.ddde+XX", whatever the locale's decimal point
        d.count = 0;
        const char* p = printed.data();
        for (; *p != 'e'; ++p)
            if (std::isdigit(static_cast<unsigned char>(*p))) d.digit[d.count++] = *p;
        d.exponent = std::atoi(p + 1);
        if (readsBack(d, value)) break;
        if (powerOfTwo && readsBack(nextUp(d), value)) {
            d = nextUp(d);
            break;
        }
    }
    while (d.count > 1 && d.digit[d.count - 1] == '0') --d.count;
    return d;
}

// A whole number in all its digits.
std::string wholeDigits(double value) {
    std::array<char, 400> text;            // not cleared: the web build's memset is slow
    if (value < 18446744073709551616.0) {  // 2^64
        const auto end =
            std::to_chars(text.data(), text.data() + text.size(), static_cast<std::uint64_t>(value))
                .ptr;
        return std::string(text.data(), end);
    }
    std::snprintf(text.data(), text.size(), "%.0f", value);  // exact, with no point
    return text.data();
}

// Digits written out ("0.00015", "1500", "12.5"), or as "1.5e+15" where %g would.
void layOut(std::string& out, const Digits& d, std::chars_format format) {
    const std::string_view digits(d.digit.data(), d.count);
    if (format == std::chars_format::general && (d.exponent < -4 || d.exponent >= 6)) {
        out += digits[0];
        if (d.count > 1) out.append(".").append(digits.substr(1));
        out += d.exponent < 0 ? "e-" : "e+";
        const int magnitude = std::abs(d.exponent);
        if (magnitude < 10) out += '0';
        out += std::to_string(magnitude);
    } else if (d.exponent < 0) {
        out.append("0.").append(-d.exponent - 1, '0').append(digits);
    } else if (d.count <= d.exponent + 1) {
        out.append(digits).append(d.exponent + 1 - d.count, '0');
    } else {
        out.append(digits.substr(0, d.exponent + 1))
            .append(".")
            .append(digits.substr(d.exponent + 1));
    }
}

template <class T>
std::to_chars_result toText(char* first, char* last, T value, std::chars_format format) {
    // The usual case, a whole number below the exact limit written out (as fixed, or as general
    // below a million), goes straight in: its digits are its shortest text.
    const T magnitude = std::fabs(value);
    if (magnitude < Limits<T>::kExact && magnitude == std::floor(magnitude) && magnitude != 0 &&
        (format == std::chars_format::fixed || magnitude < 1e6))
        return std::to_chars(first, last, static_cast<std::int64_t>(value));

    std::string out;
    if (std::signbit(value)) out = "-";
    value = std::fabs(value);
    if (std::isnan(value)) {
        out += "nan";
    } else if (std::isinf(value)) {
        out += "inf";
    } else if (value == 0) {
        out += "0";
    } else if (value == std::floor(value) &&
               (format == std::chars_format::fixed || value < Limits<T>::kExact)) {
        // A whole number written out is its own shortest fixed text; below the exact limit its
        // digits without the trailing zeros are the shortest that read back.
        const std::string whole = wholeDigits(value);
        if (format == std::chars_format::fixed) {
            out += whole;
        } else {
            Digits d;
            d.count = static_cast<int>(std::min(whole.find_last_not_of('0') + 1, d.digit.size()));
            std::memcpy(d.digit.data(), whole.data(), d.count);
            d.exponent = static_cast<int>(whole.size()) - 1;
            layOut(out, d, format);
        }
    } else {
        layOut(out, shortest(value), format);
    }
    if (out.size() > static_cast<std::size_t>(last - first))
        return {last, std::errc::value_too_large};
    return {std::copy(out.begin(), out.end(), first), std::errc()};
}

}  // namespace

std::to_chars_result toChars(char* first, char* last, double value, std::chars_format format) {
    return toText(first, last, value, format);
}

std::to_chars_result toChars(char* first, char* last, float value, std::chars_format format) {
    return toText(first, last, value, format);
}

std::from_chars_result fromChars(const char* first, const char* last, double& value) {
    const auto digit = [&](const char* p) {
        return p != last && std::isdigit(static_cast<unsigned char>(*p));
    };
    // The usual case first: a whole number of up to 15 digits, exact as a double.
    std::int64_t whole = 0;
    const char* p = first;
    for (; digit(p) && p - first < 15; ++p) whole = whole * 10 + (*p - '0');
    if (p != first && !digit(p) && (p == last || (*p != '.' && *p != 'e' && *p != 'E'))) {
        value = static_cast<double>(whole);
        return {p, std::errc()};
    }

    p = first;
    const bool negative = p != last && *p == '-';
    if (negative) ++p;
    // The digits without the point, as strtod will read them: "12.5e3" as "125e2".
    std::string text = negative ? "-" : "";
    long long fractionDigits = 0;
    for (; digit(p); ++p) text += *p;
    if (p != last && *p == '.') {
        for (++p; digit(p); ++p, ++fractionDigits) text += *p;
    }
    const std::size_t count = text.size() - (negative ? 1 : 0);
    if (count == 0) return {first, std::errc::invalid_argument};
    const bool nonzero = text.find_first_not_of("-0") != std::string::npos;

    long long exponent = 0;
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        const bool below = q != last && *q == '-';
        if (q != last && (*q == '-' || *q == '+')) ++q;
        if (digit(q)) {
            // Beyond a billion the number is surely too large or too small either way.
            for (; digit(q); ++q) exponent = std::min(exponent * 10 + (*q - '0'), 1'000'000'000LL);
            if (below) exponent = -exponent;
            p = q;
        }
    }
    text += 'e';
    text += std::to_string(exponent - fractionDigits);
    const double number = std::strtod(text.c_str(), nullptr);
    if (std::isinf(number) || (number == 0 && nonzero)) return {p, std::errc::result_out_of_range};
    value = number;
    return {p, std::errc()};
}

}  // namespace fenwing::decimal::portable
