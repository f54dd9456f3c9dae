// The run directory: the folder every file of the program lies in or below.
#pragma once

#include <filesystem>

namespace kc::platform {

// The run directory: the one set with SetRunDirectory, else $KESTRUNE_HOME when set, else the folder of
// the executable.
std::filesystem::path RunDirectory();

// Overrides the run directory (the --home option of the commands, and tests).
void SetRunDirectory(const std::filesystem::path& directory);

// The folder that holds the running executable.
std::filesystem::path ExecutableDirectory();

} // namespace kc::platform
