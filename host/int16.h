// A 16-bit signed integer whose arithmetic checks for overflow.
#pragma once

#include <compare>
#include <cstdint>

#include "host/errors.h"

namespace fenwing {

class Int16 {
  public:
    static constexpr int kMin = -32768;
    static constexpr int kMax = 32767;

    constexpr Int16() = default;
    // Converting a whole number out of range is an overflow, like any other.
    constexpr Int16(int v) : value_(check(v)) {}  // NOLINT: implicit on purpose

    constexpr int value() const { return value_; }

    friend constexpr Int16 operator+(Int16 a, Int16 b) { return Int16(a.value_ + b.value_); }
    friend constexpr Int16 operator-(Int16 a, Int16 b) { return Int16(a.value_ - b.value_); }
    constexpr Int16& operator+=(Int16 b) { return *this = *this + b; }
    constexpr Int16& operator-=(Int16 b) { return *this = *this - b; }
    friend constexpr bool operator==(Int16 a, Int16 b) = default;
    friend constexpr auto operator<=>(Int16 a, Int16 b) = default;

    // Adds without raising: the result stops at the bounds.
    constexpr Int16 saturatingAdd(int b) const {
        long sum = static_cast<long>(value_) + b;
        return Int16(static_cast<int>(sum > kMax ? kMax : (sum < kMin ? kMin : sum)));
    }

  private:
    static constexpr std::int16_t check(int v) {
        if (v < kMin || v > kMax) throw RuntimeError::overflow();
        return static_cast<std::int16_t>(v);
    }
    std::int16_t value_ = 0;
};

// Booleans are 16-bit integers: True is -1, False is 0.
using Boolean = Int16;
inline constexpr int True = -1;
inline constexpr int False = 0;

}  // namespace fenwing
