// The start-up of the window program: the application object, the settings store and the main window.
#pragma once

namespace kc::gui {

// True when a display is there to show windows on (or Qt was told which platform to use).
bool DisplayAvailable();

// Keeps the process to the first processor it may use, as the window program always has.
void KeepToFirstProcessor();

// Runs the window program until its main window is closed; returns the exit status.
int RunGui(int argc, char** argv);
// The same without the process's arguments (from a command that has consumed them).
int RunGui();

} // namespace kc::gui
