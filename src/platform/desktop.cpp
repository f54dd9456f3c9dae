// The desktop tools: xdg-open, and the file manager's D-Bus interface to select a file.
#include "platform/desktop.h"

#include <cerrno>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace kc::platform {
namespace {

std::mutex g_mutex;
Launcher g_launcher;

// Starts a command; the child's id, or -1.
pid_t Spawn(const CommandLine& command)
{
    if (command.empty())
        return -1;
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return child;
}

int WaitFor(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Launch(std::vector<CommandLine> alternatives)
{
    Launcher launcher;
    {
        std::lock_guard lock(g_mutex);
        launcher = g_launcher;
    }
    if (launcher) {
        launcher(alternatives);
        return;
    }
    std::thread([alternatives = std::move(alternatives)] { RunAlternatives(alternatives); }).detach();
}

std::string FileUri(const std::filesystem::path& path)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const unsigned char c : std::filesystem::absolute(path).string()) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/'
            || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

} // namespace

void SetLauncher(Launcher launcher)
{
    std::lock_guard lock(g_mutex);
    g_launcher = std::move(launcher);
}

void RunAlternatives(const std::vector<CommandLine>& alternatives)
{
    for (size_t i = 0; i < alternatives.size(); ++i) {
        const pid_t child = Spawn(alternatives[i]);
        if (child < 0)
            continue;
        // The last one is only started, but still reaped here so that it leaves no zombie behind.
        if (WaitFor(child) == 0 || i + 1 == alternatives.size())
            return;
    }
}

void OpenFolder(const std::filesystem::path& folder)
{
    Launch({{"xdg-open", folder.string()}});
}

void RevealFile(const std::filesystem::path& file)
{
    Launch({{"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.FileManager1",
                "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1.ShowItems",
                "array:string:" + FileUri(file), "string:"},
        {"xdg-open", file.parent_path().string()}});
}

void StartProgram(const std::filesystem::path& program)
{
    Launch({{program.string()}});
}

void OpenUrl(const std::string& url)
{
    Launch({{"xdg-open", url}});
}

} // namespace kc::platform
