// A thread's nice value on Linux is its own: raising it affects that worker only and needs no privilege.
#include "gui/main/worker_priority.h"

#include "platform/event_pump.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kc::gui {
namespace {

constexpr int kWorkerNice = 10;

} // namespace

void YieldToWindowThread()
{
    thread_local bool done = false;
    if (done)
        return;
    done = true;
    if (platform::IsPumpThread())
        return;
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, thread, kWorkerNice);
}

} // namespace kc::gui
