// The host's random-number generator: Randomize folds a clock reading into the state, Rnd draws.
#pragma once

#include <cstdint>

namespace fenwing {

class Random {
  public:
    explicit Random(std::uint64_t state = 0) : state_(state) {}

    void seed(std::uint64_t state) { state_ = state; }
    std::uint64_t state() const { return state_; }

    // Mixes the reading into the state rather than replacing it, so two reseeds with the same
    // reading do not repeat the values drawn after the first.
    void Randomize(double clockReading);
    // The next value, single precision, 0 <= value < 1.
    float Rnd();

  private:
    std::uint64_t state_;
};

}  // namespace fenwing
