// Entry point of kestrune-courier: dispatches to the window or to a headless command.
#include "app/commands.h"

#ifdef KC_HAVE_GUI
#include "gui/main/gui_app.h"
#include "platform/run_directory.h"
#endif

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

#ifdef KC_HAVE_GUI
const char* const kWindowUsage
    = "Without a command (or with jhrw) it opens the main window; --home DIR chooses the run\n"
      "directory (default: the executable's folder, or $KESTRUNE_HOME).\n";
#else
const char* const kWindowUsage = "";
#endif

int PrintUsage(std::FILE* out)
{
    std::fputs("Usage: kestrune-courier [COMMAND] [OPTIONS]\n\n"
               "Publishes articles to many EcShop shops at once.\n",
        out);
    std::fputs(kWindowUsage, out);
    std::fputs("\nCommands:\n", out);
    for (const kc::app::Command& command : kc::app::Commands())
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    std::fputs("\nOptions:\n"
               "  --help       show this help and exit (COMMAND --help: that command's help)\n"
               "  --version    show the version and exit\n",
        out);
    return 0;
}

#ifdef KC_HAVE_GUI
// The window program: kestrune-courier [jhrw] [--home DIR].
int OpenWindow(int argc, char** argv, const std::vector<std::string>& args)
{
    size_t i = 0;
    if (i < args.size() && args[i] == "jhrw")
        ++i;
    for (; i < args.size(); ++i) {
        if (args[i] == "--home" && i + 1 < args.size()) {
            kc::platform::SetRunDirectory(args[++i]);
            continue;
        }
        std::fprintf(stderr, "kestrune-courier: unknown argument '%s' (try --help)\n", args[i].c_str());
        return 2;
    }
    if (!kc::gui::DisplayAvailable()) {
        std::fputs("kestrune-courier: no display to open the window on; the headless commands work without "
                   "one (try --help)\n",
            stderr);
        return 1;
    }
    return kc::gui::RunGui(argc, argv);
}
#endif

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
#ifdef KC_HAVE_GUI
    if (args.empty() || args.front() == "jhrw" || args.front() == "--home")
        return OpenWindow(argc, argv, args);
#endif
    if (args.empty())
        return PrintUsage(stdout);
    const std::string_view first = args.front();
    if (first == "--help" || first == "-h")
        return PrintUsage(stdout);
    if (first == "--version") {
        std::printf("kestrune-courier %s\n", KC_VERSION);
        return 0;
    }
    for (const kc::app::Command& command : kc::app::Commands()) {
        if (first == command.name)
            return command.run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    std::fprintf(stderr, "kestrune-courier: unknown command '%s' (try --help)\n", args.front().c_str());
    return 2;
}
