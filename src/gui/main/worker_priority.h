// Run workers give way to the window thread, so that a busy run never takes the processor from the window.
#pragma once

namespace kc::gui {

// Called by the window's entries that only workers reach (the options snapshot, the access method): the first
// call on a thread other than the window's lowers that thread's scheduling priority. The window program keeps
// to one processor, and ten busy workers at the window's own priority would leave it a tenth of it.
void YieldToWindowThread();

} // namespace kc::gui
