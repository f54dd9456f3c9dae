// The hook through which long work on the GUI thread lets pending window events run.
#pragma once

#include <functional>

namespace kc::platform {

// Installs the function that processes pending events of the calling thread's event loop.
// The gui installs one for its thread; every other thread pumps nothing. Passing an empty
// function removes the hook.
void SetEventPump(std::function<void()> pump);

// Runs the installed hook when called on the thread that installed it; otherwise does nothing.
// Callers pump at a coarse grain (per item, per row, per 10 ms of waiting), never per byte.
void PumpEvents();

// True when the calling thread is the one that installed the hook (the GUI thread).
bool IsPumpThread();

} // namespace kc::platform
