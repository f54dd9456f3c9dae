// Entry point of kestrune-courier: dispatches to the window or to a headless command.
#include "app/commands.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

int PrintUsage(std::FILE* out)
{
    std::fputs("Usage: kestrune-courier [COMMAND] [OPTIONS]\n\n"
               "Publishes articles to many EcShop shops at once.\n\n"
               "Commands:\n",
        out);
    for (const kc::app::Command& command : kc::app::Commands())
        std::fprintf(out, "  %-12s %s\n", command.name, command.summary);
    std::fputs("\nOptions:\n"
               "  --help       show this help and exit (COMMAND --help: that command's help)\n"
               "  --version    show the version and exit\n",
        out);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
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
