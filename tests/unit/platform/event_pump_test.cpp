// The event-pump hook runs only on the thread that installed it.
#include "platform/event_pump.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(EventPump, RunsOnlyOnTheInstallingThread)
{
    int calls = 0;
    kc::platform::SetEventPump([&calls] { ++calls; });
    kc::platform::PumpEvents();
    EXPECT_TRUE(kc::platform::IsPumpThread());
    std::thread other([] {
        EXPECT_FALSE(kc::platform::IsPumpThread());
        kc::platform::PumpEvents();
    });
    other.join();
    EXPECT_EQ(calls, 1);

    kc::platform::SetEventPump({});
    kc::platform::PumpEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(kc::platform::IsPumpThread());
}

} // namespace
