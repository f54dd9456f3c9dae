// The random-bounds convention every random count of a site uses.
#pragma once

#include <random>

namespace kc::sites {

// A uniformly random integer from low to high, both included: a bound below 0 counts as 0 and the bounds
// may come in either order.
int RandomBetween(std::mt19937& random, int low, int high);

} // namespace kc::sites
