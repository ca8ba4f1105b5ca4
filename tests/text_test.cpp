// Text and number conversions, ordinal comparison and checked 16-bit arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
