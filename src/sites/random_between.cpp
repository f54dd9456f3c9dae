// Random integers between two bounds.
#include "sites/random_between.h"

#include <algorithm>
#include <utility>

namespace kc::sites {

int RandomBetween(std::mt19937& random, int low, int high)
{
    low = std::max(low, 0);
    high = std::max(high, 0);
    if (low > high)
        std::swap(low, high);
    return std::uniform_int_distribution<int>(low, high)(random);
}

} // namespace kc::sites
