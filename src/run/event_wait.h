// The wait that keeps the window responsive: short sleeps with pending events processed in between.
#pragma once

#include <atomic>

namespace kc::run {

// Waits up to milliseconds in sleeps of at most 10 ms, processing pending window events after each (on
// the thread that pumps them; elsewhere only sleeping), and ends early once flag is set. Returns true when
// the flag ended the wait. A wait of 0 ms or less returns at once.
bool WaitWithEvents(int milliseconds, const std::atomic<bool>* flag = nullptr);

} // namespace kc::run
