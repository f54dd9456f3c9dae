// The window as the host of an update run: the options snapshot workers read, and the window's side of a run.
#pragma once

#include "run/run_host.h"
#include "run/run_options.h"

#include <mutex>

namespace kc::gui {

class MainWindow;

class GuiRunHost : public run::RunHost {
public:
    explicit GuiRunHost(MainWindow& window);

    // The options as the controls show them; any thread.
    run::RunOptions Options() const override;
    // Called by the window on every change of an option's control.
    void SetOptions(const run::RunOptions& options);

    void RunStarted() override;
    void SaveSettingsIfChanged() override;
    void RunStopping() override;
    // These three may come from workers: they reach the window on its own thread.
    void SetSiteLineEnabled(int site, bool enabled) override;
    void SetStopButtonEnabled(bool enabled) override;
    void CustomTitlesWrittenBack(int site, const std::string& titles) override;
    void RunEnded(const run::RunSummary& summary, bool calledByTimer) override;

private:
    MainWindow& m_window;
    mutable std::mutex m_mutex;
    run::RunOptions m_options;
};

} // namespace kc::gui
