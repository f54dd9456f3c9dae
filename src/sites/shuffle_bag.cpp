// The shuffle bag: a pool drawn from without replacement.
#include "sites/shuffle_bag.h"

#include <utility>

namespace kc::sites {

ShuffleBag::ShuffleBag()
    : m_engine(std::random_device{}())
{
}

ShuffleBag::ShuffleBag(uint32_t seed)
    : m_engine(seed)
{
}

int32_t ShuffleBag::Draw(int32_t low, int32_t high)
{
    if (m_pool.empty()) {
        if (low > high)
            std::swap(low, high);
        m_pool.reserve(static_cast<size_t>(int64_t{high} - low + 1));
        for (int64_t value = low; value <= high; ++value)
            m_pool.push_back(static_cast<int32_t>(value));
    }
    std::uniform_int_distribution<size_t> pick(0, m_pool.size() - 1);
    const size_t at = pick(m_engine);
    const int32_t value = m_pool[at];
    // Order inside the pool does not matter: move the last value into the hole.
    m_pool[at] = m_pool.back();
    m_pool.pop_back();
    return value;
}

} // namespace kc::sites
