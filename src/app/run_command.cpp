// The run command: one update run over the enabled sites of a run directory, without a window.
#include "app/commands.h"

#include "config/config_store.h"
#include "http/http_client.h"
#include "log/run_log.h"
#include "platform/run_directory.h"
#include "run/headless_host.h"
#include "run/saved_run_options.h"
#include "run/update_run.h"
#include "services/keyword_extractor.h"
#include "sites/site_list.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace kc::app {

namespace {

const char* const kRunHelp
    = "Usage: kestrune-courier run [--home DIR] [OPTIONS]\n\n"
      "Runs one update run over the enabled sites of the settings file \"Kestrune Courier.ini\" in the run\n"
      "directory (default: the executable's folder; --home or KESTRUNE_HOME override it), with the run\n"
      "options the main window saved there. Log lines go to standard output (UTF-8) and to\n"
      "日志/<date time>.txt under the run directory. Ctrl-C or SIGTERM stops the run cooperatively: it\n"
      "ends with its summary; a second one ends the process at once. The machine is never shut down.\n\n"
      "Options (each overrides the saved setting):\n"
      "  --home DIR               run directory\n"
      "  --independent            every site on a worker of its own (先后独立更新)\n"
      "  --synchronous            the sites in rounds, one article each (同步循环更新)\n"
      "  --sites N                at most N sites at once in independent mode (同时更新站点数)\n"
      "  --round-interval S       seconds between synchronous rounds (循环一次间隔秒)\n"
      "  --global-quota N         every site publishes at most N articles (全局更新数量); 0: off\n"
      "  --retry, --no-retry      submit a failing article up to three times (失败时重复尝试)\n"
      "  --read-order, --random-order\n"
      "                           publish the files in list order or at random (按读入顺序发布)\n"
      "  --access-method 1|2      the HTTP access method (访问方式1 / 访问方式2)\n"
      "  --enhanced-submit, --no-enhanced-submit\n"
      "                           submit every article a second time as an edit (增强提交)\n"
      "  --quiet                  no log lines on standard output (the log file is still written)\n"
      "  --help                   show this help\n\n"
      "Exit status: 0 when the run completed, 130 when a stop signal ended it early, 2 for unusable\n"
      "input (bad option, missing run directory or settings file, unreadable settings), 1 when the\n"
      "settings could not be saved after the run.\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrune-courier run: %s\n", message.c_str());
    return 2;
}

std::optional<long> ParseWhole(const std::string& text, long low, long high)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < low || value > high)
        return std::nullopt;
    return value;
}

bool ParseSeconds(const std::string& text)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return *end == '\0' && value >= 0 && value <= 86400;
}

struct Overrides {
    std::optional<std::string> home;
    std::optional<bool> independent;
    std::optional<std::string> sites;
    std::optional<std::string> roundInterval;
    std::optional<long> globalQuota;
    std::optional<bool> retry;
    std::optional<bool> readOrder;
    std::optional<int> accessMethod;
    std::optional<bool> enhancedSubmit;
    bool quiet = false;
};

// Returns an exit status when the arguments end the command (help or an error).
std::optional<int> ParseArguments(const std::vector<std::string>& args, Overrides& out)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kRunHelp, stdout);
            return 0;
        }
        const struct {
            const char* name;
            std::optional<bool>* target;
            bool value;
        } flags[] = {
            {"--independent", &out.independent, true},
            {"--synchronous", &out.independent, false},
            {"--retry", &out.retry, true},
            {"--no-retry", &out.retry, false},
            {"--read-order", &out.readOrder, true},
            {"--random-order", &out.readOrder, false},
            {"--enhanced-submit", &out.enhancedSubmit, true},
            {"--no-enhanced-submit", &out.enhancedSubmit, false},
        };
        bool matched = false;
        for (const auto& flag : flags) {
            if (arg == flag.name) {
                *flag.target = flag.value;
                matched = true;
            }
        }
        if (matched)
            continue;
        if (arg == "--quiet") {
            out.quiet = true;
            continue;
        }
        const bool takesValue = arg == "--home" || arg == "--sites" || arg == "--round-interval"
            || arg == "--global-quota" || arg == "--access-method";
        if (!takesValue)
            return Fail("unknown option '" + arg + "' (try --help)");
        if (i + 1 >= args.size())
            return Fail(arg + " needs a value (try --help)");
        const std::string& value = args[++i];
        if (arg == "--home") {
            if (value.empty())
                return Fail("--home needs a directory");
            out.home = value;
        } else if (arg == "--sites") {
            if (!ParseWhole(value, 1, 10000))
                return Fail("--sites needs a number from 1 to 10000, not '" + value + "'");
            out.sites = value;
        } else if (arg == "--round-interval") {
            if (!ParseSeconds(value))
                return Fail("--round-interval needs seconds from 0 to 86400, not '" + value + "'");
            out.roundInterval = value;
        } else if (arg == "--global-quota") {
            const auto quota = ParseWhole(value, 0, 1000000000);
            if (!quota)
                return Fail("--global-quota needs a whole number from 0, not '" + value + "'");
            out.globalQuota = *quota;
        } else {
            const auto method = ParseWhole(value, 1, 2);
            if (!method)
                return Fail("--access-method must be 1 or 2, not '" + value + "'");
            out.accessMethod = static_cast<int>(*method) - 1; // the combo box's item index
        }
    }
    return std::nullopt;
}

void Apply(const Overrides& overrides, run::RunOptions& options)
{
    if (overrides.independent)
        options.independent = *overrides.independent;
    if (overrides.sites)
        options.concurrentSites = *overrides.sites;
    if (overrides.roundInterval)
        options.roundInterval = *overrides.roundInterval;
    if (overrides.globalQuota) {
        options.globalQuotaEnabled = *overrides.globalQuota > 0;
        options.globalQuota = std::to_string(*overrides.globalQuota);
    }
    if (overrides.retry)
        options.retryOnFailure = *overrides.retry;
    if (overrides.readOrder)
        options.publishInReadOrder = *overrides.readOrder;
    if (overrides.accessMethod)
        options.accessMethod = *overrides.accessMethod;
    if (overrides.enhancedSubmit)
        options.enhancedSubmit = *overrides.enhancedSubmit;
}

// Turns Ctrl-C and SIGTERM into a cooperative stop. The signals are blocked in every thread (the mask is
// inherited by the workers and the HTTP threads started later) and taken by one watcher thread.
class StopSignals {
public:
    StopSignals()
    {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
    }
    ~StopSignals()
    {
        Unwatch();
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    void Watch(run::UpdateRun& run)
    {
        m_watcher = std::thread([this, &run] {
            int received = 0;
            while (!m_done.load()) {
                timespec timeout{0, 100 * 1000 * 1000};
                const int signal = sigtimedwait(&m_signals, nullptr, &timeout);
                if (signal <= 0)
                    continue;
                if (++received == 1) {
                    m_signalled.store(true);
                    run.RequestStop();
                } else {
                    std::fputs("kestrune-courier run: stopped at once\n", stderr);
                    std::_Exit(128 + signal);
                }
            }
        });
    }
    // Ends the watching; the run it was given may go away afterwards.
    void Unwatch()
    {
        m_done.store(true);
        if (m_watcher.joinable())
            m_watcher.join();
    }
    bool Signalled() const { return m_signalled.load(); }

private:
    sigset_t m_signals;
    sigset_t m_previous;
    std::thread m_watcher;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_signalled{false};
};

bool UsesBuiltInKeywords(const sites::SiteList& list)
{
    for (const sites::SiteConfig& site : list.sites) {
        if (site.enabled && site.keywordsMode == 1)
            return true;
    }
    return false;
}

int RunUpdate(const std::vector<std::string>& args)
{
    Overrides overrides;
    if (const auto status = ParseArguments(args, overrides))
        return *status;

    if (overrides.home)
        platform::SetRunDirectory(std::filesystem::absolute(*overrides.home));
    const std::filesystem::path home = platform::RunDirectory();
    std::error_code error;
    if (!std::filesystem::is_directory(home, error))
        return Fail("the run directory '" + home.string() + "' does not exist");
    const std::filesystem::path settingsPath = home / "Kestrune Courier.ini";
    if (!std::filesystem::exists(settingsPath, error))
        return Fail("no settings file 'Kestrune Courier.ini' in '" + home.string()
            + "' (add sites in the window first, or try 'kestrune-courier demo')");
    if (!std::ifstream(settingsPath, std::ios::binary))
        return Fail("cannot read the settings file '" + settingsPath.string() + "'");

    config::ConfigStore store;
    store.Open(text::InternalPath(settingsPath), config::OpenMode::InMemory);
    const std::string loaded = store.Image();
    sites::SiteList list;
    sites::LoadSites(store, list);
    run::RunOptions options = run::ReadSavedRunOptions(store);
    Apply(overrides, options);

    // Before any thread exists, so that every thread inherits the blocked stop signals.
    StopSignals signals;
    http::InitHttp();
    run::HeadlessHost host(options, overrides.quiet ? nullptr : stdout);
    http::SetAccessMethodProvider([&host] { return host.Options().accessMethod; });
    services::KeywordExtractor extractor;
    if (UsesBuiltInKeywords(list))
        extractor.LoadWordList();
    log::RunLog log;
    log.SetView(host.View());
    int status = 0;
    {
        run::UpdateRun run(list, log, host, &store, &extractor);
        signals.Watch(run);
        run.ToggleRun(false);
        signals.Unwatch();
        if (signals.Signalled())
            status = 130;
    }
    http::SetAccessMethodProvider({});

    if (options.shutDownWhenDone)
        std::fputs("kestrune-courier run: the settings ask for a shutdown after the run; this command never "
                   "shuts the machine down\n",
            stderr);
    // The custom-title write-back and the name of the last failed site must survive the process.
    if (host.SettingsDirty() || store.Image() != loaded) {
        if (!store.Save()) {
            std::fprintf(
                stderr, "kestrune-courier run: cannot save the settings file '%s'\n", settingsPath.string().c_str());
            return 1;
        }
    }
    return status;
}

} // namespace

extern const Command kRunCommand = {"run", "an update run over the enabled sites of the run directory", RunUpdate};

} // namespace kc::app
