// Text and number conversions, ordinal comparison and checked 16-bit arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "host/decimal.h"
#include "host/int16.h"
#include "host/text.h"

namespace fenwing {
namespace {

int errorNumber(auto&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST(Text, NumbersPrintAsTheirShortestText) {
    EXPECT_EQ(Str(60.0 - 1), "59");
    EXPECT_EQ(Str(-1.0), "-1");
    EXPECT_EQ(Str(-0.0), "0");
    EXPECT_EQ(Str(1000000.0), "1000000");
    EXPECT_EQ(Str(0.5), "0.5");
    EXPECT_EQ(Str(Int16(59)), "59");
    EXPECT_EQ(Str(Int16(-32768)), "-32768");
    EXPECT_EQ(errorNumber([] { Str(std::numeric_limits<double>::infinity()); }), 6);
}

TEST(Text, TextReadsAsANumber) {
    EXPECT_EQ(Val(" 17 "), 17.0);
    EXPECT_EQ(Val("+5"), 5.0);
    EXPECT_EQ(Val("0.25"), 0.25);
    for (double v : {0.0, 1.0, -2.0, 59.0, 10199.0, 32767.0, 1e6}) EXPECT_EQ(Val(Str(v)), v);
    for (const char* bad :
         {"", " ", "abc", "59a", "5 9", "--1", "-", "inf", "nan", "0x10", "1e999"})
        EXPECT_EQ(errorNumber([&] { Val(bad); }), 13) << "'" << bad << "'";
}

// The portable conversions, which the web build uses, against the standard library's, over
// numbers of every kind: both give the same text, and read the same texts alike.
#ifdef __cpp_lib_to_chars
template <class T>
std::string text(T value, std::chars_format format, bool portable) {
    std::array<char, 1000> buffer{};
    const auto [end, ec] =
        portable ? decimal::portable::toChars(buffer.data(), buffer.data() + buffer.size(), value,
                                              format)
                 : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    EXPECT_EQ(ec, std::errc());
    return std::string(buffer.data(), end);
}

std::vector<double> manyDoubles() {
    std::vector<double> v = {0.5,
                             0.1,
                             1.0 / 3,
                             100.5,
                             1234.5677490234375,
                             1e15,
                             1.5e15,
                             9.5e15,
                             1e16,
                             1e23,
                             1e-5,
                             1e-4,
                             1.25e-4,
                             123456.5,
                             1234567.5,
                             5e-324,
                             1e-310,
                             1e100,
                             1.7976931348623157e308};
    for (int i = -2000; i <= 2000; ++i) v.push_back(i), v.push_back(i + 0.5), v.push_back(i / 8.0);
    for (double p = 1; p < 1e300; p *= 10) v.push_back(p), v.push_back(p * 7), v.push_back(1 / p);
    for (int e = -1074; e < 1024; ++e) v.push_back(std::ldexp(1.0, e));  // the uneven gaps
    for (double w = 1; w < 1e19; w = w * 3 + 1) v.push_back(w);          // whole, past 2^53
    std::uint64_t bits = 0x9E3779B97F4A7C15ull;                          // any bit pattern
    for (int i = 0; i < 6000; ++i) {
        bits = bits * 6364136223846793005ull + 1442695040888963407ull;
        const double d = std::bit_cast<double>(bits);
        if (std::isfinite(d)) v.push_back(d);
    }
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n; ++i) v.push_back(-v[i]);
    return v;
}

TEST(PortableDecimal, DoublesPrintAsTheStandardLibraryPrintsThem) {
    for (double d : manyDoubles())
        for (auto format : {std::chars_format::fixed, std::chars_format::general})
            ASSERT_EQ(text(d, format, true), text(d, format, false))
                << std::bit_cast<std::uint64_t>(d)
                << (format == std::chars_format::fixed ? " f" : " g");
    for (double odd : {0.0, -0.0, std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(text(odd, std::chars_format::general, true),
                  text(odd, std::chars_format::general, false));
    EXPECT_EQ(text(std::numeric_limits<double>::quiet_NaN(), std::chars_format::general, true),
              "nan");
    std::array<char, 5> small{};  // "1000000" does not fit
    EXPECT_EQ(decimal::portable::toChars(small.data(), small.data() + small.size(), 1e6,
                                         std::chars_format::fixed)
                  .ec,
              std::errc::value_too_large);
}

TEST(PortableDecimal, FloatsPrintAsTheStandardLibraryPrintsThem) {
    std::vector<float> v = {0.1f,       1500.f, 7680.f, -15.f,          1234.5677f,
                            13904.999f, 1e-7f,  3e38f,  1.23456789e10f, 16777217.0f};
    for (std::uint32_t bits = 0; bits < 0x7F800000; bits += 0x1F3B7)  // every exponent
        v.push_back(std::bit_cast<float>(bits)), v.push_back(-std::bit_cast<float>(bits));
    for (int e = -149; e < 128; ++e) v.push_back(std::ldexp(1.0f, e));
    for (int i = -3000; i <= 3000; ++i) v.push_back(i / 4.0f);
    for (float f : v)
        for (auto format : {std::chars_format::fixed, std::chars_format::general})
            ASSERT_EQ(text(f, format, true), text(f, format, false))
                << std::bit_cast<std::uint32_t>(f)
                << (format == std::chars_format::fixed ? " f" : " g");
}

TEST(PortableDecimal, TextsReadAsTheStandardLibraryReadsThem) {
    // Partly read, empty, out of range, subnormal, and more digits than a double holds.
    std::istringstream odd(
        "0 00012 5. .5 . - -0 -1.5 1e5 1E5 1.e5 1e 1e+ 1e- 2.5e-3x e5 0x10 1e400 1.8e308 1e308 "
        "1e-310 2e-324 3e-324 1e-400 0.0e-999 1e-5000 1e99999999999999999999 123456789012345 "
        "1234567890123456 9007199254740993 00000000000000000001 "
        "0.1000000000000000055511151231257827 179769313486231580793728971405301e276");
    std::vector<std::string> texts;
    for (std::string t; odd >> t;) texts.push_back(t);
    for (double d : manyDoubles()) {
        texts.push_back(text(d, std::chars_format::general, false));
        texts.push_back(text(d, std::chars_format::fixed, false));
    }
    for (const std::string& t : texts) {
        double mine = -7, theirs = -7;
        const auto a = decimal::portable::fromChars(t.data(), t.data() + t.size(), mine);
        const auto b = std::from_chars(t.data(), t.data() + t.size(), theirs);
        ASSERT_EQ(a.ec, b.ec) << t;
        ASSERT_EQ(a.ptr - t.data(), b.ptr - t.data()) << t;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(mine), std::bit_cast<std::uint64_t>(theirs)) << t;
    }
    // Unlike the standard's, the portable version reads only decimal numbers (as Val does).
    for (std::string_view t : {"inf", "nan"}) {
        double d = 0;
        EXPECT_EQ(decimal::portable::fromChars(t.data(), t.data() + t.size(), d).ec,
                  std::errc::invalid_argument);
    }
}
#endif

TEST(Text, OrdinalComparisonByCharacterCode) {
    EXPECT_LT(StrCompOrdinal("-1", "0"), 0);
    EXPECT_LT(StrCompOrdinal("-12", "0"), 0);
    EXPECT_EQ(StrCompOrdinal("0", "0"), 0);
    EXPECT_GT(StrCompOrdinal("1", "0"), 0);
    EXPECT_GT(StrCompOrdinal("10", "0"), 0);
    // A prefix sorts first, and character codes decide, not numeric value.
    EXPECT_LT(StrCompOrdinal("1", "10"), 0);
    EXPECT_GT(StrCompOrdinal("10", "1"), 0);
    EXPECT_LT(StrCompOrdinal("", "0"), 0);
    EXPECT_GT(StrCompOrdinal("9", "10"), 0);
    EXPECT_LT(StrCompOrdinal("B", "a"), 0);
    EXPECT_EQ(Int(-0.5), -1.0);  // and Int is the floor
}

TEST(Int16Arithmetic, LeavingTheRangeOverflows) {
    EXPECT_EQ((Int16(32766) + Int16(1)).value(), 32767);
    EXPECT_EQ((Int16(-32767) - Int16(1)).value(), -32768);
    EXPECT_EQ(errorNumber([] { Int16(32767) + Int16(1); }), 6);
    EXPECT_EQ(errorNumber([] { Int16(-32768) - Int16(1); }), 6);
    EXPECT_EQ(errorNumber([] {
                  Int16 x = 32767;
                  x += 1;
              }),
              6);
    EXPECT_EQ(errorNumber([] { Int16(-32769); }), 6);
}

TEST(Int16Arithmetic, SaturatingAddStopsAtTheBounds) {
    EXPECT_EQ(Int16(25).saturatingAdd(7).value(), 32);
    EXPECT_EQ(Int16(32760).saturatingAdd(7).value(), 32767);
    EXPECT_EQ(Int16(32765).saturatingAdd(7).value(), 32767);
    EXPECT_EQ(Int16(32767).saturatingAdd(7).value(), 32767);
    EXPECT_EQ(Int16(-32767).saturatingAdd(-7).value(), -32768);
}

}  // namespace
}  // namespace fenwing
