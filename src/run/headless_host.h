// The host of an update run without a window: options from the saved settings, log rows on a stream.
#pragma once

#include "log/run_log.h"
#include "run/run_host.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

namespace kc::run {

// Options are a fixed snapshot (the command reads them once; nothing changes them during the run).
// Calls may come from any thread.
class HeadlessHost : public RunHost {
public:
    // out: where rows and messages go as UTF-8 lines (none: nowhere).
    explicit HeadlessHost(RunOptions options, std::FILE* out = stdout);

    RunOptions Options() const override;
    void RunStarted() override { }
    // The settings were read just before the run and nothing has changed them yet.
    void SaveSettingsIfChanged() override { }
    void RunStopping() override;
    void SetSiteLineEnabled(int, bool) override { }
    void SetStopButtonEnabled(bool) override { }
    void CustomTitlesWrittenBack(int site, const std::string& titles) override;
    void RunEnded(const RunSummary& summary, bool calledByTimer) override;

    // The rows of the log as lines "time TAB site TAB message" on the stream.
    log::LogView View();
    // A write-back made the settings dirty: they must be saved before the process ends.
    bool SettingsDirty() const;
    std::optional<RunSummary> Summary() const;

private:
    void Print(const std::string& internalText);

    mutable std::mutex m_mutex;
    RunOptions m_options;
    std::FILE* m_out;
    bool m_dirty = false;
    std::optional<RunSummary> m_summary;
};

} // namespace kc::run
