// Showing folders, files, programs and web addresses to the user through the desktop's own tools.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kc::platform {

// A command line as its arguments, the program first; never a shell string.
using CommandLine = std::vector<std::string>;

// Runs alternatives in order on a thread of its own, without the caller waiting: each but the last counts as
// done when it exits with status 0, the last is only started. Tests install their own to see what would run;
// an empty function restores the real one.
using Launcher = std::function<void(const std::vector<CommandLine>& alternatives)>;
void SetLauncher(Launcher launcher);
// The real launcher's work, on the calling thread: returns when the chosen command has ended.
void RunAlternatives(const std::vector<CommandLine>& alternatives);

// Opens a folder in the file manager.
void OpenFolder(const std::filesystem::path& folder);
// Opens the folder of a file in the file manager with the file selected, or just the folder where the file
// manager cannot select.
void RevealFile(const std::filesystem::path& file);
// Starts a program.
void StartProgram(const std::filesystem::path& program);
// Opens a web address in the default browser.
void OpenUrl(const std::string& url);

} // namespace kc::platform
