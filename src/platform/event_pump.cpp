// The event-pump hook: one function, bound to the thread that installed it.
#include "platform/event_pump.h"

#include <mutex>
#include <thread>

namespace kc::platform {
namespace {

std::mutex g_mutex;
std::function<void()> g_pump;
std::thread::id g_pumpThread;

} // namespace

void SetEventPump(std::function<void()> pump)
{
    std::lock_guard lock(g_mutex);
    g_pump = std::move(pump);
    g_pumpThread = g_pump ? std::this_thread::get_id() : std::thread::id();
}

bool IsPumpThread()
{
    std::lock_guard lock(g_mutex);
    return g_pump && g_pumpThread == std::this_thread::get_id();
}

void PumpEvents()
{
    std::function<void()> pump;
    {
        std::lock_guard lock(g_mutex);
        if (!g_pump || g_pumpThread != std::this_thread::get_id())
            return;
        pump = g_pump;
    }
    pump();
}

} // namespace kc::platform
