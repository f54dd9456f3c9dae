// The event-pump hook: one function, bound to the thread that installed it.
#include "platform/event_pump.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace kc::platform {
namespace {

std::mutex g_mutex;
std::function<void()> g_pump;
// The installing thread, or no thread's id without a hook. Workers call PumpEvents several times per
// article and must find out that it is not theirs without taking the mutex every other worker takes.
std::atomic<std::thread::id> g_pumpThread;

} // namespace

void SetEventPump(std::function<void()> pump)
{
    std::lock_guard lock(g_mutex);
    g_pump = std::move(pump);
    g_pumpThread.store(g_pump ? std::this_thread::get_id() : std::thread::id(), std::memory_order_release);
}

bool IsPumpThread()
{
    return g_pumpThread.load(std::memory_order_acquire) == std::this_thread::get_id();
}

void PumpEvents()
{
    if (g_pumpThread.load(std::memory_order_acquire) != std::this_thread::get_id())
        return;
    std::function<void()> pump;
    {
        std::lock_guard lock(g_mutex);
        if (!g_pump)
            return;
        pump = g_pump;
    }
    pump();
}

} // namespace kc::platform
