// Hands out the integers of a range once each, in random order, refilling itself when empty.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace kc::sites {

class ShuffleBag {
public:
    // A bag seeded from the system's random source.
    ShuffleBag();
    // A bag whose draws repeat for the same seed (tests).
    explicit ShuffleBag(uint32_t seed);

    // Empties the pool; the next draw refills it.
    void Reset() { m_pool.clear(); }
    // When the pool is empty, fills it with low … high (bounds in either order); then removes and returns a
    // uniformly chosen value. A changed range takes effect only once the pool has run empty.
    int32_t Draw(int32_t low, int32_t high);
    // Reseeds the random engine (tests).
    void Seed(uint32_t seed) { m_engine.seed(seed); }
    size_t Remaining() const { return m_pool.size(); }

private:
    std::vector<int32_t> m_pool;
    std::mt19937 m_engine;
};

} // namespace kc::sites
