#include "playfield/random_range.h"

#include <cmath>

#include "host/text.h"

namespace fenwing {

namespace {
double checked(double v) {
    if (!std::isfinite(v)) throw RuntimeError::overflow();
    return v;
}
}  // namespace

double RandomRange(Random& random, Services& services, std::int32_t Range, std::int32_t Base) {
    random.Randomize(services.clockReading());
    const float r = random.Rnd();
    const double product = checked(static_cast<double>(r) * static_cast<double>(Range));
    return checked(Int(product) + static_cast<double>(Base));
}

}  // namespace fenwing
