// What an update run needs from whoever started it: the window, or the headless command.
#pragma once

#include "run/run_options.h"

#include <string>

namespace kc::run {

// The end of a run as the host shows it.
struct RunSummary {
    int publishedTotal = 0;
    std::string duration; // "1.25 分", "500 毫秒", …
    bool stopped = false; // the stop flag was set
};

// Calls come from the thread that runs the controller (the GUI thread, or the command's main thread),
// except Options, SetSiteLineEnabled and SetStopButtonEnabled, which workers call too: implementations
// make those thread-safe (the window forwards them to its thread).
class RunHost {
public:
    virtual ~RunHost() = default;

    // The options as shown at this moment.
    virtual RunOptions Options() const = 0;

    // The run begins: caption "停止站群更新", list-editing controls disabled, stop-site button shown,
    // log window shown.
    virtual void RunStarted() = 0;
    // Saves the settings when they changed since the last save (start of a run).
    virtual void SaveSettingsIfChanged() = 0;
    // The run is stopping: caption "正在停止中..".
    virtual void RunStopping() = 0;
    // Greys (false) or restores (true) a site's line (1-based).
    virtual void SetSiteLineEnabled(int site, bool enabled) = 0;
    virtual void SetStopButtonEnabled(bool enabled) = 0;
    // A site wrote its unused inline custom titles back into its record (1-based site number); the
    // settings became dirty.
    virtual void CustomTitlesWrittenBack(int site, const std::string& titles) = 0;
    // The run has ended: controls enabled again, caption "开始站群更新", then the completion message,
    // the shutdown countdown or nothing, as the options and the caller (timer or button) say.
    virtual void RunEnded(const RunSummary& summary, bool calledByTimer) = 0;
};

} // namespace kc::run
