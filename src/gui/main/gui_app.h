// The start-up of the window program: the application object, the settings store and the main window.
#pragma once

namespace kc::gui {

// True when a display is there to show windows on (or Qt was told which platform to use).
bool DisplayAvailable();

// Runs the window program until its main window is closed; returns the exit status.
int RunGui(int argc, char** argv);

} // namespace kc::gui
