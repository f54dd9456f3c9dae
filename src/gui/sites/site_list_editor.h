// Editing the site list: commits of the panel into site records, the list buttons, Shift ranges, the
// per-site stop and the list's caption.
#pragma once

#include "sites/site_config.h"
#include "sites/site_list.h"

#include <functional>
#include <map>
#include <string>

class QWidget;

namespace kc::config {
class ConfigStore;
} // namespace kc::config

namespace kc::gui {

struct MainControls;
class SitePanel;
class SiteLabels;

enum class EnableMode { CheckAll, UncheckAll, Invert };

class SiteListEditor {
public:
    SiteListEditor(MainControls& controls, SitePanel& panel, sites::SiteList& list, config::ConfigStore& store,
        SiteLabels& labels, bool& settingsDirty, QWidget* window);
    SiteListEditor(const SiteListEditor&) = delete;
    SiteListEditor& operator=(const SiteListEditor&) = delete;

    // Wires the list's and the buttons' handlers.
    void Connect();

    // Writes the panel into a new site (modify false) or over site index (the selected line when -1).
    // Returns the selected line, or -1 when nothing was written; silent suppresses every message box.
    int CommitPanel(bool modify, int index = -1, bool silent = false);
    // silent: a panel that fails the checks stays uncommitted without a message.
    void CommitPanelIfChanged(bool silent = false);
    void OnSiteSelected(bool force);

    void AddSite();
    void DeleteSite();
    void ClearSites();
    void MoveSiteUp();
    void MoveSiteDown();
    void SetAllEnabled(EnableMode mode);
    void OnSiteCheckChanged(int row);
    void StopSelectedSite();
    void PersistEnabled(int index);
    void RefreshListCaption();

    void ExportSites();
    void ImportSites();

    // Adds the lines of records the list gained outside the editor (LoadSites) and refreshes the caption.
    void ShowNewLines();
    // Selects a line without running the selection handler (-1: none).
    void SelectLine(int row);

    // While a run's workers use the records, commits wait here and reach the records when the run ends.
    void SetRecordsInUse(bool inUse) { m_recordsInUse = inUse; }
    bool RecordsInUse() const { return m_recordsInUse; }
    void ApplyDeferredCommits();
    // The record of site index as the user last committed it (a waiting commit included).
    const sites::SiteConfig& Record(int index) const;
    // The list as it should be saved: the records with the waiting commits applied.
    const sites::SiteList& ListForSaving();
    // A run wrote a site's unused titles back (0-based index).
    void TitlesWrittenBack(int index, const std::string& titles);

    // Asks the run to stop one site (the run engine installs this; by default the record's flag is set).
    void SetStopRequester(std::function<void(int index)> requester) { m_stopRequester = std::move(requester); }

    int PreviousSite() const { return m_previousSite; }
    void SetPreviousSite(int index) { m_previousSite = index; }
    const std::string& StoredPanelFingerprint() const { return m_panelFingerprint; }

private:
    void SetLineFromRecord(int index);
    void PublishLabels();
    bool ShiftHeld() const;

    MainControls& m_c;
    SitePanel& m_panel;
    sites::SiteList& m_list;
    config::ConfigStore& m_store;
    SiteLabels& m_labels;
    bool& m_settingsDirty;
    QWidget* m_window;

    int m_previousSite = -1;
    bool m_commitSuppressed = false;
    int m_lastClicked = 0;
    std::string m_panelFingerprint;
    bool m_recordsInUse = false;
    std::map<int, sites::SiteConfig> m_deferred;
    sites::SiteList m_saving;
    std::function<void(int)> m_stopRequester;
};

} // namespace kc::gui
