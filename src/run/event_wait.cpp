// Waiting in short sleeps against a deadline, so that many short sleeps never add up to a longer wait.
#include "run/event_wait.h"

#include "platform/event_pump.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace kc::run {

bool WaitWithEvents(int milliseconds, const std::atomic<bool>* flag)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    for (;;) {
        if (flag != nullptr && flag->load())
            return true;
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, std::chrono::milliseconds(10)));
        platform::PumpEvents();
    }
}

} // namespace kc::run
