// The demo-shop command: serves the sandbox shop on a loopback address until Ctrl-C or SIGTERM.
#include "app/commands.h"

#include "ecshop/sandbox/sandbox_shop.h"
#include "text/text_encoding.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <pthread.h>
#include <string>
#include <string_view>

namespace kc::app {

namespace {

const char* const kDemoShopHelp
    = "Usage: kestrune-courier demo-shop [OPTIONS]\n\n"
      "Serves an EcShop-compatible back end and shop front end on a loopback address for tests and\n"
      "demos, prints its addresses and credentials, and runs until Ctrl-C or SIGTERM.\n\n"
      "Options:\n"
      "  --host ADDRESS       loopback address to listen on, 127.x.y.z (default 127.0.0.1)\n"
      "  --port N             port to listen on (default: any free port)\n"
      "  --encoding E         gbk or utf-8 (default utf-8)\n"
      "  --admin-dir DIR      administration directory (default admin)\n"
      "  --user U             administrator name (default admin)\n"
      "  --password P         administrator password (default admin123)\n"
      "  --security-code C    require this security code at login (default: none)\n"
      "  --captcha            require the login captcha (shown on the login page)\n"
      "  --seed N             seed of the random faults (default 1)\n"
      "Faults (SHARE is a fraction from 0 to 1 of the requests):\n"
      "  --error-share SHARE    answer 500\n"
      "  --garbage-share SHARE  answer random bytes\n"
      "  --reset-share SHARE    close the connection half-way through the answer\n"
      "  --hang-share SHARE     send nothing for --hang-ms, then close\n"
      "  --delay-share SHARE    answer after --delay-ms\n"
      "  --hang-ms N            (default 150000)\n"
      "  --delay-ms N           (default 2000)\n"
      "  --help                 show this help\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrune-courier demo-shop: %s\n", message.c_str());
    return 2;
}

std::optional<long> ParseWhole(const std::string& text, long low, long high)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<double> ParseShare(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(value >= 0.0 && value <= 1.0))
        return std::nullopt;
    return value;
}

// Command-line text is UTF-8 here; the shop takes internal text.
std::string Internal(const std::string& utf8)
{
    std::string converted = text::ConvertCharset(utf8, "UTF-8", text::kInternalCharset);
    return converted.empty() ? utf8 : converted;
}

std::string Printable(const std::string& internal)
{
    std::string converted = text::ConvertCharset(internal, text::kInternalCharset, "UTF-8");
    return converted.empty() ? internal : converted;
}

int RunDemoShop(const std::vector<std::string>& args)
{
    ecshop::SandboxOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kDemoShopHelp, stdout);
            return 0;
        }
        if (arg == "--captcha") {
            options.captcha = true;
            continue;
        }
        if (i + 1 >= args.size())
            return Fail("unknown option or missing value: '" + arg + "' (try --help)");
        const std::string& value = args[++i];
        if (arg == "--host") {
            options.host = value;
        } else if (arg == "--port") {
            const auto port = ParseWhole(value, 1, 65535);
            if (!port)
                return Fail("--port needs a number from 1 to 65535, not '" + value + "'");
            options.port = static_cast<int>(*port);
        } else if (arg == "--encoding") {
            if (value == "gbk" || value == "GBK")
                options.encoding = ecshop::SandboxEncoding::kGbk;
            else if (value == "utf-8" || value == "UTF-8" || value == "utf8")
                options.encoding = ecshop::SandboxEncoding::kUtf8;
            else
                return Fail("--encoding must be gbk or utf-8, not '" + value + "'");
        } else if (arg == "--admin-dir") {
            std::string dir = value;
            while (!dir.empty() && dir.front() == '/')
                dir.erase(0, 1);
            while (!dir.empty() && dir.back() == '/')
                dir.pop_back();
            if (dir.empty())
                return Fail("--admin-dir needs a directory name");
            options.adminDir = dir;
        } else if (arg == "--user") {
            options.user = Internal(value);
        } else if (arg == "--password") {
            options.password = Internal(value);
        } else if (arg == "--security-code") {
            options.securityCode = Internal(value);
        } else if (arg == "--seed") {
            const auto seed = ParseWhole(value, 0, 0x7FFFFFFF);
            if (!seed)
                return Fail("--seed needs a whole number, not '" + value + "'");
            options.seed = static_cast<std::uint32_t>(*seed);
        } else if (arg == "--hang-ms" || arg == "--delay-ms") {
            const auto ms = ParseWhole(value, 0, 3600000);
            if (!ms)
                return Fail(arg + " needs milliseconds from 0 to 3600000, not '" + value + "'");
            (arg == "--hang-ms" ? options.faults.hangMs : options.faults.delayMs) = static_cast<int>(*ms);
        } else {
            double* share = arg == "--error-share" ? &options.faults.errorShare
                : arg == "--garbage-share"         ? &options.faults.garbageShare
                : arg == "--reset-share"           ? &options.faults.resetShare
                : arg == "--hang-share"            ? &options.faults.hangShare
                : arg == "--delay-share"           ? &options.faults.delayShare
                                                   : nullptr;
            if (!share)
                return Fail("unknown option '" + arg + "' (try --help)");
            const auto parsed = ParseShare(value);
            if (!parsed)
                return Fail(arg + " needs a fraction from 0 to 1, not '" + value + "'");
            *share = *parsed;
        }
    }

    // Block the stop signals before the server threads exist, so they inherit the mask and this
    // thread alone receives them through sigwait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ecshop::SandboxShop shop(options);
    if (!shop.Start()) {
        pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
        const std::string where = options.host + (options.port > 0 ? ":" + std::to_string(options.port) : "");
        if (options.host.rfind("127.", 0) != 0)
            return Fail("--host must be a loopback address (127.x.y.z), not '" + options.host + "'");
        return Fail("cannot listen on " + where + " (address not available or port taken)");
    }
    std::printf("Sandbox shop (%s) running.\n"
                "  Shop:     %s/\n"
                "  Admin:    %s/privilege.php\n"
                "  User:     %s\n"
                "  Password: %s\n",
        options.encoding == ecshop::SandboxEncoding::kGbk ? "GBK" : "UTF-8", shop.ShopUrl().c_str(),
        shop.AdminUrl().c_str(), Printable(options.user).c_str(), Printable(options.password).c_str());
    if (!options.securityCode.empty())
        std::printf("  Security code: %s\n", Printable(options.securityCode).c_str());
    if (options.captcha)
        std::printf("  Captcha:  %s\n", options.captchaCode.c_str());
    std::printf("Press Ctrl-C to stop.\n");
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    shop.Stop();
    std::printf("Stopped.\n");
    return 0;
}

} // namespace

extern const Command kDemoShopCommand
    = {"demo-shop", "serve the sandbox shop on 127.0.0.1 for tests and demos", RunDemoShop};

} // namespace kc::app
