// Hands out the integers of a range once each, in random order, refilling itself when empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kc::sites {

class ShuffleBag {
public:
    // A bag with a seed of its own, drawn from a source seeded once per process from the system's random source.
    ShuffleBag();
    // A bag whose draws repeat for the same seed (tests).
    explicit ShuffleBag(uint32_t seed);

    // Empties the pool; the next draw refills it.
    void Reset() { m_pool.clear(); }
    // When the pool is empty, fills it with low … high (bounds in either order); then removes and returns a
    // uniformly chosen value. A changed range takes effect only once the pool has run empty.
    int32_t Draw(int32_t low, int32_t high);
    // Reseeds the random engine (tests).
    void Seed(uint32_t seed);
    size_t Remaining() const { return m_pool.size(); }

private:
    // A record holds nine bags and a site group thousands of records, so the engine is a 64-bit state
    // (splitmix64) rather than a Mersenne twister of 5 KB.
    struct Engine {
        using result_type = uint64_t;
        uint64_t state = 0;
        static constexpr result_type min() { return 0; }
        static constexpr result_type max() { return UINT64_MAX; }
        result_type operator()();
    };

    std::vector<int32_t> m_pool;
    Engine m_engine;
};

} // namespace kc::sites
