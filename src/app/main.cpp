// Entry point of kestrune-courier: parses the command line and starts the window or a headless command.
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kUsage = R"(Usage: kestrune-courier [COMMAND] [OPTIONS]

Publishes articles to many EcShop shops at once.

Options:
  --help       show this help and exit
  --version    show the version and exit
)";

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("kestrune-courier %s\n", KC_VERSION);
            return 0;
        }
        std::fprintf(stderr, "kestrune-courier: unknown argument '%s' (try --help)\n", argv[i]);
        return 2;
    }
    std::fputs(kUsage, stdout);
    return 0;
}
