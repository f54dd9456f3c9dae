// The main window: start-up, the tray icon, the log window, settings saved when they changed, and the
// window's side of an update run.
#pragma once

#include "gui/main/gui_run_host.h"
#include "gui/main/main_controls.h"
#include "gui/sites/site_labels.h"
#include "gui/state/control_state.h"
#include "log/run_log.h"
#include "services/keyword_extractor.h"
#include "sites/site_list.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QSystemTrayIcon;

namespace kc::config {
class ConfigStore;
} // namespace kc::config

namespace kc::run {
class UpdateRun;
} // namespace kc::run

namespace kc::gui {

class LogWindow;
class SitePanel;
class SiteListEditor;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Builds the window on an open settings store: restores the controls and the site list, shows the saved
    // site, creates the hidden log window and the tray icon.
    explicit MainWindow(config::ConfigStore& store);
    ~MainWindow() override;

    MainControls& Controls() { return m_c; }
    sites::SiteList& Sites() { return m_sites; }
    SitePanel& Panel() { return *m_panel; }
    SiteListEditor& ListEditor() { return *m_editor; }
    log::RunLog& Log() { return m_log; }
    LogWindow* LogView() { return m_logWindow; }
    GuiRunHost& Host() { return m_host; }
    config::ConfigStore& Store() { return m_store; }
    QSystemTrayIcon* Tray() { return m_tray; }

    // Writes what changed since the last save (panel edits, the window's own controls, the site list) to the
    // settings file; with logLines the save is announced in the run log.
    void SaveSettingsIfChanged(bool logLines, bool silent = false);
    // The periodic save: what changed, without messages, never during a run or a dialog.
    void AutoSave();
    // Shows a window and raises it above the others, restoring it from the minimised state.
    static void BringToFront(QWidget* window);
    bool IsRunActive() const;
    // The kept fingerprint of the window's controls and the site list.
    const std::string& KeptFingerprint() const { return m_keptFingerprint; }
    bool& SettingsDirty() { return m_settingsDirty; }

    // Tray icon events: 1 left button released (show or hide), 3 right button (exit question).
    void OnTrayEvent(int kind);
    // The log button: shows the log window ("关闭日志") or hides it ("查看日志").
    void ToggleLogWindow();
    void ShowLogWindow();

    // The start button (false) and the schedule timer (true): starts a run, or asks the running one to stop.
    void ToggleRun(bool calledByTimer);
    run::UpdateRun& Engine() { return *m_run; }
    // How the process ends after an accepted close (tests keep the process).
    void SetProcessEnder(std::function<void(int status)> end) { m_endProcess = std::move(end); }

    // The window's side of a run, called through the host on the window's thread.
    void OnRunStarted();
    void SaveSettingsAtRunStart();
    void OnRunStopping();
    void OnRunEnded(const run::RunSummary& summary, bool calledByTimer);
    void SetSiteLineEnabled(int site, bool enabled);
    void SetStopButtonEnabled(bool enabled);
    void OnTitlesWrittenBack(int site, const std::string& titles);

    // The options of the window's own settings walk: the four site group boxes left out.
    WalkOptions MainOptions() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ConnectHandlers();
    void UpdateRunOptions();
    std::string CombinedFingerprint();
    void OnFirstActivation();
    void ShowLastFailure();

    config::ConfigStore& m_store;
    sites::SiteList m_sites;
    log::RunLog m_log;
    MainControls m_c;
    SiteLabels m_labels;
    bool m_settingsDirty = false;
    std::string m_keptFingerprint;
    std::unique_ptr<SitePanel> m_panel;
    std::unique_ptr<SiteListEditor> m_editor;
    LogWindow* m_logWindow = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    GuiRunHost m_host;
    services::KeywordExtractor m_extractor;
    bool m_wordListLoaded = false;
    std::unique_ptr<run::UpdateRun> m_run;
    std::function<void(int)> m_endProcess;
    bool m_skipOnRewriteFailure = false;
    QTimer m_autoSave;
    static constexpr int kAutoSaveMs = 60000;
    bool m_activated = false;
    bool m_closing = false;
};

} // namespace kc::gui
