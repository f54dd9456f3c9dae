// The site list's handlers: every change goes to the records and the list box together.
#include "gui/sites/site_list_editor.h"

#include "config/config_store.h"
#include "gui/common/check_list_box.h"
#include "gui/common/control_tag.h"
#include "gui/common/file_dialog_control.h"
#include "gui/common/message_box.h"
#include "gui/common/qt_text.h"
#include "gui/main/main_controls.h"
#include "gui/sites/site_labels.h"
#include "gui/sites/site_panel.h"
#include "text/literal.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace kc::gui {
namespace {

const std::string& EnabledKey()
{
    return KC_TEXT("启用");
}

} // namespace

SiteListEditor::SiteListEditor(MainControls& controls, SitePanel& panel, sites::SiteList& list,
    config::ConfigStore& store, SiteLabels& labels, bool& settingsDirty, QWidget* window)
    : m_c(controls)
    , m_panel(panel)
    , m_list(list)
    , m_store(store)
    , m_labels(labels)
    , m_settingsDirty(settingsDirty)
    , m_window(window)
{
}

void SiteListEditor::Connect()
{
    QObject::connect(m_c.siteList, &QListWidget::currentRowChanged, m_window, [this] { OnSiteSelected(false); });
    QObject::connect(m_c.siteList, &CheckListBox::checkChanged, m_window, [this](int row) { OnSiteCheckChanged(row); });
    QObject::connect(m_c.addButton, &QPushButton::clicked, m_window, [this] { AddSite(); });
    QObject::connect(m_c.deleteButton, &QPushButton::clicked, m_window, [this] { DeleteSite(); });
    QObject::connect(m_c.clearButton, &QPushButton::clicked, m_window, [this] { ClearSites(); });
    QObject::connect(m_c.upButton, &QPushButton::clicked, m_window, [this] { MoveSiteUp(); });
    QObject::connect(m_c.downButton, &QPushButton::clicked, m_window, [this] { MoveSiteDown(); });
    QObject::connect(
        m_c.enableAllButton, &QPushButton::clicked, m_window, [this] { SetAllEnabled(EnableMode::CheckAll); });
    QObject::connect(
        m_c.disableAllButton, &QPushButton::clicked, m_window, [this] { SetAllEnabled(EnableMode::UncheckAll); });
    QObject::connect(
        m_c.invertAllButton, &QPushButton::clicked, m_window, [this] { SetAllEnabled(EnableMode::Invert); });
    QObject::connect(m_c.stopSiteButton, &QPushButton::clicked, m_window, [this] { StopSelectedSite(); });
    QObject::connect(m_c.exportButton, &QPushButton::clicked, m_window, [this] { ExportSites(); });
    QObject::connect(m_c.importButton, &QPushButton::clicked, m_window, [this] { ImportSites(); });
}

int SiteListEditor::CommitPanel(bool modify, int index, bool silent)
{
    if (index < 0)
        index = m_c.siteList->currentRow();
    if (modify && index < 0) {
        if (!silent)
            ShowMessage(m_window, QStringLiteral("请先选定一个站点配置再修改！"));
        return -1;
    }
    sites::SiteConfig record = m_panel.ReadPanel();
    const QString* failure = nullptr;
    static const QString kNoDomain = QStringLiteral("域名不能为空！");
    static const QString kNoUser = QStringLiteral("用户不能为空！");
    static const QString kNoPassword = QStringLiteral("密码不能为空！");
    if (record.domain.empty())
        failure = &kNoDomain;
    else if (record.user.empty())
        failure = &kNoUser;
    else if (record.password.empty())
        failure = &kNoPassword;
    if (failure) {
        if (!silent)
            ShowMessage(m_window, *failure);
        return -1;
    }

    if (!m_c.allowDuplicates->isChecked()) {
        const std::string label = sites::SiteLabel(record);
        int duplicate = -1;
        for (int i = 0; i < static_cast<int>(m_list.Count()); ++i) {
            if (modify && i == index)
                continue;
            if (sites::SiteLabel(Record(i)) == label) {
                duplicate = i;
                break;
            }
        }
        if (duplicate >= 0) {
            if (silent)
                return -1;
            const QString question = QStringLiteral("网站列表中已存在相同的‘域名(用户名)’：") + ToQString(label)
                + QStringLiteral("\r\n\r\n请更改域名、用户名，或者点击‘确定’按钮定位相同项目");
            if (ShowMessage(m_window, question, Buttons::OkCancel) == Answer::Ok) {
                m_commitSuppressed = true;
                m_previousSite = duplicate;
                SelectLine(duplicate);
                OnSiteSelected(false);
            }
            return -1;
        }
    }

    m_settingsDirty = true;
    if (!modify) {
        record.enabled = true;
        m_list.Append(record);
        const int row = m_c.siteList->AddLine(ToQString(sites::SiteLabel(record)), true);
        SelectLine(row);
        m_previousSite = row;
        RefreshListCaption();
    } else {
        record.enabled = m_c.siteList->IsChecked(index);
        const size_t at = static_cast<size_t>(index);
        m_list.lines[at] = {sites::SiteLabel(record), record.enabled};
        m_c.siteList->SetText(index, ToQString(m_list.lines[at].text));
        if (m_recordsInUse) {
            // A running worker reads this record: the new settings take its place once the run has ended.
            m_deferred[index] = std::move(record);
        } else {
            m_list.sites[at] = std::move(record);
        }
    }
    PublishLabels();
    return m_c.siteList->currentRow();
}

void SiteListEditor::CommitPanelIfChanged(bool silent)
{
    const int selected = m_c.siteList->currentRow();
    if (selected < 0)
        return;
    const std::string fingerprint = m_panel.PanelFingerprint();
    if (fingerprint == m_panelFingerprint)
        return;
    if (CommitPanel(true, selected, silent) != -1)
        m_panelFingerprint = fingerprint;
}

void SiteListEditor::OnSiteSelected(bool force)
{
    const int selected = m_c.siteList->currentRow();
    if (m_previousSite != -1 && !m_commitSuppressed && !force) {
        if (selected == m_previousSite) {
            CommitPanelIfChanged();
            return;
        }
        if (m_panel.PanelFingerprint() != m_panelFingerprint) {
            if (CommitPanel(true, m_previousSite, false) == -1) {
                SelectLine(m_previousSite);
                return;
            }
        }
    }
    m_commitSuppressed = false;
    if (selected < 0) {
        m_panel.ApplyEnablingRules();
    } else {
        if (m_c.siteList->IsChecked(selected) && !m_c.siteList->IsGreyed(selected))
            m_c.stopSiteButton->setEnabled(true);
        m_panel.ShowSite(Record(selected));
    }
    if (!IsRunActive(m_c)) {
        if (selected >= 0 && ShiftHeld()) {
            const int from = std::min(m_lastClicked, selected);
            const int to = std::min(std::max(m_lastClicked, selected), m_c.siteList->count() - 1);
            for (int row = std::max(from, 0); row <= to; ++row) {
                m_c.siteList->SetChecked(row, true);
                PersistEnabled(row);
            }
        }
        m_lastClicked = selected;
    }
    m_previousSite = selected;
    m_panelFingerprint = m_panel.PanelFingerprint();
}

void SiteListEditor::AddSite()
{
    CommitPanel(false, -1, false);
}

void SiteListEditor::DeleteSite()
{
    const int selected = m_c.siteList->currentRow();
    if (selected < 0) {
        ShowMessage(m_window, QStringLiteral("请先选定一个站点配置再删除！"));
        return;
    }
    m_previousSite = -1;
    {
        const QSignalBlocker blocker(m_c.siteList);
        delete m_c.siteList->takeItem(selected);
    }
    m_list.sites.erase(m_list.sites.begin() + selected);
    m_list.lines.erase(m_list.lines.begin() + selected);
    m_deferred.clear();
    const int count = m_c.siteList->count();
    SelectLine(selected < count ? selected : count - 1);
    OnSiteSelected(false);
    RefreshListCaption();
    PublishLabels();
}

void SiteListEditor::ClearSites()
{
    if (ShowMessage(m_window, QStringLiteral("确实要清空所有站点配置吗？"), Buttons::OkCancel) != Answer::Ok)
        return;
    {
        const QSignalBlocker blocker(m_c.siteList);
        m_c.siteList->clear();
    }
    m_list.sites.clear();
    m_list.lines.clear();
    m_deferred.clear();
    // The panel keeps what it shows, but no longer belongs to a site that could take its edits.
    m_previousSite = -1;
    m_lastClicked = 0;
    RefreshListCaption();
    PublishLabels();
}

void SiteListEditor::MoveSiteUp()
{
    const int selected = m_c.siteList->currentRow();
    if (selected < 0) {
        ShowMessage(m_window, QStringLiteral("请选中一个网站配置再向上移动"));
        return;
    }
    if (selected == 0)
        return;
    CommitPanelIfChanged();
    std::swap(m_list.sites[static_cast<size_t>(selected)], m_list.sites[static_cast<size_t>(selected - 1)]);
    SetLineFromRecord(selected);
    SetLineFromRecord(selected - 1);
    SelectLine(selected - 1);
    // The panel still shows the moved site, now on the line above.
    m_previousSite = selected - 1;
    m_lastClicked = selected - 1;
    PublishLabels();
}

void SiteListEditor::MoveSiteDown()
{
    const int selected = m_c.siteList->currentRow();
    if (selected < 0) {
        ShowMessage(m_window, QStringLiteral("请选中一个网站配置再向下移动"));
        return;
    }
    if (selected + 1 >= m_c.siteList->count())
        return;
    CommitPanelIfChanged();
    std::swap(m_list.sites[static_cast<size_t>(selected)], m_list.sites[static_cast<size_t>(selected + 1)]);
    SetLineFromRecord(selected);
    SetLineFromRecord(selected + 1);
    SelectLine(selected + 1);
    m_previousSite = selected + 1;
    m_lastClicked = selected + 1;
    PublishLabels();
}

void SiteListEditor::SetAllEnabled(EnableMode mode)
{
    if (IsRunActive(m_c))
        return;
    for (int row = 0; row < m_c.siteList->count(); ++row) {
        const bool checked = mode == EnableMode::CheckAll ? true
            : mode == EnableMode::UncheckAll              ? false
                                                          : !m_c.siteList->IsChecked(row);
        m_c.siteList->SetChecked(row, checked);
        PersistEnabled(row);
    }
}

void SiteListEditor::OnSiteCheckChanged(int row)
{
    if (row < 0 || row >= m_c.siteList->count())
        return;
    if (IsRunActive(m_c)) {
        m_c.siteList->SetChecked(row, m_list.sites[static_cast<size_t>(row)].enabled);
        return;
    }
    PersistEnabled(row);
}

void SiteListEditor::StopSelectedSite()
{
    const int selected = m_c.siteList->currentRow();
    if (selected < 0) {
        m_c.stopSiteButton->setEnabled(false);
        return;
    }
    sites::SiteConfig& site = m_list.sites[static_cast<size_t>(selected)];
    if (!site.enabled || site.ended)
        return;
    if (m_stopRequester)
        m_stopRequester(selected);
    else
        sites::SetSiteStopRequested(site, true);
}

void SiteListEditor::PersistEnabled(int index)
{
    if (index < 0 || index >= static_cast<int>(m_list.Count()))
        return;
    const bool checked = m_c.siteList->IsChecked(index);
    m_list.sites[static_cast<size_t>(index)].enabled = checked;
    m_list.lines[static_cast<size_t>(index)].checked = checked;
    if (auto deferred = m_deferred.find(index); deferred != m_deferred.end())
        deferred->second.enabled = checked;
    m_store.SelectSection(sites::SiteSection(index + 1));
    m_store.WriteBool(EnabledKey(), checked);
}

void SiteListEditor::RefreshListCaption()
{
    m_c.siteGroup->setTitle(QStringLiteral("EcShop网站列表(") + QString::number(m_c.siteList->count())
        + QStringLiteral(")  单击A站点，按住Shift键再单击B站点，可以A到B连续打勾"));
}

void SiteListEditor::ExportSites()
{
    const std::optional<QString> path = m_c.exportDialog->Show();
    if (!path)
        return;
    {
        config::ConfigStore file;
        file.Open(FromQString(*path), config::OpenMode::HeldOpen);
        m_list.selectedLine = m_c.siteList->currentRow();
        sites::SaveSites(file, m_list);
    }
    ShowMessage(
        m_window, QStringLiteral("导出站点配置成功：") + *path + QStringLiteral("\r\n\r\n下次你可以重新导入进来！"));
}

void SiteListEditor::ImportSites()
{
    const std::optional<QString> path = m_c.importDialog->Show();
    if (!path)
        return;
    CommitPanelIfChanged();
    config::ConfigStore file;
    file.Open(FromQString(*path), config::OpenMode::HeldOpen);
    sites::LoadSites(file, m_list);
    ShowNewLines();
}

void SiteListEditor::ShowNewLines()
{
    m_c.siteList->setUpdatesEnabled(false);
    for (size_t i = static_cast<size_t>(m_c.siteList->count()); i < m_list.lines.size(); ++i)
        m_c.siteList->AddLine(ToQString(m_list.lines[i].text), m_list.lines[i].checked);
    m_c.siteList->setUpdatesEnabled(true);
    RefreshListCaption();
    PublishLabels();
}

void SiteListEditor::SelectLine(int row)
{
    const QSignalBlocker blocker(m_c.siteList);
    m_c.siteList->setCurrentRow(row);
    if (row < 0)
        m_c.siteList->clearSelection();
}

void SiteListEditor::ApplyDeferredCommits()
{
    for (auto& [index, record] : m_deferred) {
        if (index < static_cast<int>(m_list.Count()))
            m_list.sites[static_cast<size_t>(index)] = std::move(record);
    }
    m_deferred.clear();
}

const sites::SiteConfig& SiteListEditor::Record(int index) const
{
    if (auto deferred = m_deferred.find(index); deferred != m_deferred.end())
        return deferred->second;
    return m_list.sites[static_cast<size_t>(index)];
}

const sites::SiteList& SiteListEditor::ListForSaving()
{
    m_list.selectedLine = m_c.siteList->currentRow();
    if (m_deferred.empty())
        return m_list;
    m_saving.sites = m_list.sites;
    m_saving.lines = m_list.lines;
    m_saving.selectedLine = m_list.selectedLine;
    for (const auto& [index, record] : m_deferred) {
        if (index < static_cast<int>(m_saving.Count()))
            m_saving.sites[static_cast<size_t>(index)] = record;
    }
    return m_saving;
}

void SiteListEditor::TitlesWrittenBack(int index, const std::string& titles)
{
    if (index < 0 || index >= static_cast<int>(m_list.Count()))
        return;
    if (auto deferred = m_deferred.find(index); deferred != m_deferred.end())
        deferred->second.customTitlesSource = titles;
    if (m_c.siteList->currentRow() == index)
        SetTag(m_c.customTitlesButton, ToQString(titles));
    m_settingsDirty = true;
}

void SiteListEditor::SetLineFromRecord(int index)
{
    const sites::SiteConfig& site = m_list.sites[static_cast<size_t>(index)];
    m_list.lines[static_cast<size_t>(index)] = {sites::SiteLabel(site), site.enabled};
    m_c.siteList->SetText(index, ToQString(m_list.lines[static_cast<size_t>(index)].text));
    m_c.siteList->SetChecked(index, site.enabled);
}

void SiteListEditor::PublishLabels()
{
    std::vector<std::string> labels;
    labels.reserve(m_list.lines.size());
    for (const sites::SiteLine& line : m_list.lines)
        labels.push_back(line.text);
    m_labels.Set(std::move(labels));
}

bool SiteListEditor::ShiftHeld() const
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

} // namespace kc::gui
