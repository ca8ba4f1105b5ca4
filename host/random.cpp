#include "host/random.h"

#include <cstring>

namespace fenwing {

namespace {
std::uint64_t mix(std::uint64_t z) {  // the splitmix64 finaliser
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
}  // namespace

void Random::Randomize(double clockReading) {
    std::uint64_t bits = 0;  // the reading's bit pattern (std::bit_cast is not everywhere yet)
    static_assert(sizeof bits == sizeof clockReading);
    std::memcpy(&bits, &clockReading, sizeof bits);
    state_ = mix(state_ ^ mix(bits));
}

static float Rnd_from(std::uint64_t bits) {
    // 24 random bits: every value is exact in single precision and below 1.
    return static_cast<float>(bits >> 40) * (1.0f / 16777216.0f);
}

float Random::Rnd() {
    state_ += 0x9E3779B97F4A7C15ull;
    return Rnd_from(mix(state_));
}

}  // namespace fenwing
