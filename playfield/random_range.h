// The game's one source of chance.
#pragma once

#include <cstdint>

#include "host/random.h"
#include "host/services.h"

namespace fenwing {

// A whole number from Base to Base + Range - 1. Reseeds on every call by folding the clock into
// the generator's state, so calls that see the same clock reading still differ.
double RandomRange(Random& random, Services& services, std::int32_t Range, std::int32_t Base);

}  // namespace fenwing
