#include "host/text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>

#include "host/decimal.h"

namespace fenwing {

double Val(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars would also take "inf" and "nan"; a number starts with a digit or a point.
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
        throw RuntimeError::typeMismatch();
    double value = 0;
    auto [end, ec] = decimal::fromChars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        throw RuntimeError::typeMismatch();
    return negative ? -value : value;
}

std::string Str(double value) {
    if (!std::isfinite(value)) throw RuntimeError::overflow();
    if (value == 0) return "0";  // never "-0"
    // Not cleared, as only what toChars writes is read: clearing is slow in WebAssembly.
    std::array<char, 400> buffer;
    // Whole numbers of ordinary size are written out in full ("1000000", not "1e+06").
    const auto format =
        std::fabs(value) < 1e15 ? std::chars_format::fixed : std::chars_format::general;
    auto [end, ec] = decimal::toChars(buffer.data(), buffer.data() + buffer.size(), value, format);
    return std::string(buffer.data(), end);
}

std::string Str(Int16 value) { return std::to_string(value.value()); }

int StrCompOrdinal(std::string_view a, std::string_view b) {
    const auto n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

double Int(double value) { return std::floor(value); }

}  // namespace fenwing
