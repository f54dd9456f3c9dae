// Finding the run directory: an override, the environment, or the executable's folder.
#include "platform/run_directory.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

namespace kc::platform {
namespace {

std::mutex g_mutex;
std::filesystem::path g_override;

} // namespace

std::filesystem::path ExecutableDirectory()
{
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error);
    return executable.parent_path();
}

std::filesystem::path RunDirectory()
{
    {
        std::lock_guard lock(g_mutex);
        if (!g_override.empty())
            return g_override;
    }
    if (const char* home = std::getenv("KESTRUNE_HOME"); home && *home)
        return std::filesystem::path(home);
    return ExecutableDirectory();
}

void SetRunDirectory(const std::filesystem::path& directory)
{
    std::lock_guard lock(g_mutex);
    g_override = directory;
}

} // namespace kc::platform
