// The settings panel: the shared controls that show the selected site, and the rules that enable them.
#pragma once

#include "sites/site_config.h"

#include <QString>

#include <string>

class QWidget;

namespace kc::gui {

struct MainControls;

class SitePanel {
public:
    SitePanel(MainControls& controls, QWidget* window);
    SitePanel(const SitePanel&) = delete;
    SitePanel& operator=(const SitePanel&) = delete;

    // Wires the panel's own handlers: the enabling rules, the tail-block mode, the global quota box and the
    // folder button (click chooses, right click opens).
    void Connect();

    // A new record holding the panel's values (domain and administration directory normalised, an empty
    // directory read as "dede"); run-time fields stay at their initial values.
    sites::SiteConfig ReadPanel() const;
    // Writes a record into the panel, then applies the enabling rules.
    void ShowSite(const sites::SiteConfig& site);
    // The main window's state with the site list left out: changes with any control but the list.
    std::string PanelFingerprint() const;

    void ApplyEnablingRules();
    void UpdateTailBlockMode();
    // The category buttons: check (1), uncheck (0) or invert (-1) every ordinary category of the tree.
    void SetCategoryChecks(int mode);

    // The global quota box is usable exactly while its check box is checked.
    void UpdateGlobalQuota();

    // The folder button: choose the article folder / open it (a program when it names an .exe).
    void ChooseArticleFolder();
    void OpenArticleFolder();

private:
    MainControls& m_c;
    QWidget* m_window;
};

// The decimal text in which the panel shows a number: integers plainly, intervals in their shortest
// single-precision form ("0.01", not "0.009999999776").
QString PanelNumberText(int32_t value);
QString PanelNumberText(float value);

} // namespace kc::gui
