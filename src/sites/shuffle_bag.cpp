// The shuffle bag: a pool drawn from without replacement.
#include "sites/shuffle_bag.h"

#include <atomic>
#include <random>
#include <utility>

namespace kc::sites {
namespace {

// Every bag of the process takes the next number of one sequence that starts at a random point; the engine
// mixes it, so neighbouring bags draw unrelated orders. Reading the system's random source once instead of
// once per bag keeps the load of a large site group fast.
std::atomic<uint64_t>& SeedSequence()
{
    static std::atomic<uint64_t> sequence = [] {
        std::random_device device;
        return (uint64_t{device()} << 32) ^ device();
    }();
    return sequence;
}

} // namespace

ShuffleBag::Engine::result_type ShuffleBag::Engine::operator()()
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

ShuffleBag::ShuffleBag()
{
    m_engine.state = SeedSequence().fetch_add(0x632BE59BD9B4E019ull, std::memory_order_relaxed);
}

ShuffleBag::ShuffleBag(uint32_t seed)
{
    Seed(seed);
}

void ShuffleBag::Seed(uint32_t seed)
{
    m_engine.state = seed;
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
