// The main window's lifecycle: creation, first activation, tray, close, and the settings save.
#include "gui/main/main_window.h"

#include "config/config_store.h"
#include "gui/common/check_list_box.h"
#include "gui/common/message_box.h"
#include "gui/common/qt_text.h"
#include "gui/log/failure_viewer.h"
#include "gui/log/log_window.h"
#include "gui/main/app_icon.h"
#include "gui/main/worker_priority.h"
#include "gui/sites/list_input.h"
#include "gui/sites/site_list_editor.h"
#include "gui/sites/site_panel.h"
#include "http/http_client.h"
#include "run/update_run.h"
#include "text/literal.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace kc::gui {
namespace {

// The access method the HTTP layer reads at each request, from any thread.
std::atomic<int> g_accessMethod{0};

const std::string& MainSection()
{
    return KC_TEXT("基本配置");
}

QString ProductName()
{
    return QStringLiteral("Kestrune Courier");
}

} // namespace

MainWindow::MainWindow(config::ConfigStore& store)
    : m_store(store)
    , m_host(*this)
{
    setObjectName(QStringLiteral("主窗口"));
    setWindowTitle(QStringLiteral("Kestrune Courier v1.0.1.0"));
    setWindowIcon(AppIcon());
    resize(989, 694);

    m_c = BuildMainControls(this);
    m_panel = std::make_unique<SitePanel>(m_c, this);
    m_editor = std::make_unique<SiteListEditor>(m_c, *m_panel, m_sites, m_store, m_labels, m_settingsDirty, this);
    m_editor->SetPreviousSite(-1);

    // The tools of the top strip open windows that are not part of this program yet.
    for (QWidget* tool : {static_cast<QWidget*>(m_c.serviceIcon), static_cast<QWidget*>(m_c.serviceLink),
             static_cast<QWidget*>(m_c.batchIcon), static_cast<QWidget*>(m_c.batchLink),
             static_cast<QWidget*>(m_c.captchaIcon), static_cast<QWidget*>(m_c.captchaLink),
             static_cast<QWidget*>(m_c.scheduleIcon), static_cast<QWidget*>(m_c.scheduleLink),
             static_cast<QWidget*>(m_c.helpLink), static_cast<QWidget*>(m_c.readCategoriesButton)})
        tool->setEnabled(false);

    RestoreWindowState(this, m_store, MainSection(), MainOptions());
    // The service settings window saves this option of the run under its own section.
    m_store.SelectSection(KC_TEXT("外调接口"));
    m_skipOnRewriteFailure = m_store.ReadBool(KC_TEXT("选择框失败跳过更新"), false);
    const int saved = sites::LoadSites(m_store, m_sites);
    m_editor->ShowNewLines();
    m_editor->SelectLine(saved >= 0 && saved < m_c.siteList->count() ? saved : -1);
    m_editor->OnSiteSelected(false);
    m_panel->UpdateGlobalQuota();

    m_logWindow = new LogWindow(this);
    m_logWindow->SetLogSource([this] { return m_log.LocateCaption(); }, [this] { return m_log.CurrentFile(); });
    m_logWindow->SetFailureViewer([this] { ShowLastFailure(); });
    connect(m_logWindow, &LogWindow::hiddenByUser, this, [this] { m_c.logButton->setText(ShowLogCaption()); });
    m_log.SetView(m_logWindow->View());
    // Styles, layout and glyphs are settled now, off screen, so that the first show at a run start costs
    // the window no more than an ordinary repaint.
    m_logWindow->ensurePolished();
    m_logWindow->layout()->activate();
    (void)m_logWindow->grab();
    m_log.SetSiteLabels([this](int site) { return m_labels.Label(site); });

    m_keptFingerprint = CombinedFingerprint();

    m_tray = new QSystemTrayIcon(AppIcon(), this);
    m_tray->setToolTip(ProductName());
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            OnTrayEvent(1);
        else if (reason == QSystemTrayIcon::Context)
            OnTrayEvent(3);
    });
    // Desktops without a notification area (and the test platform) get no icon; the window works as well.
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_tray->show();

    m_run = std::make_unique<run::UpdateRun>(m_sites, m_log, m_host, &m_store, &m_extractor);
    m_editor->SetStopRequester([this](int index) {
        // The worker reads the flag at its next article pick.
        sites::SetSiteStopRequested(m_sites.sites[static_cast<size_t>(index)], true);
    });

    ConnectHandlers();
    UpdateRunOptions();

    // Edits reach the file within a minute even if the program never gets to close.
    m_autoSave.setInterval(kAutoSaveMs);
    connect(&m_autoSave, &QTimer::timeout, this, [this] { AutoSave(); });
    m_autoSave.start();
    http::SetAccessMethodProvider([] {
        YieldToWindowThread();
        return g_accessMethod.load();
    });
    m_endProcess = [this](int status) {
        // A run in progress is not stopped first: its workers would hold the event loop for minutes.
        if (m_run->IsRunActive()) {
            std::fflush(nullptr);
            std::_Exit(status);
        }
        QCoreApplication::exit(status);
    };
}

MainWindow::~MainWindow()
{
    // A run still going (only when the window goes away inside one) ends before the records it uses.
    m_run.reset();
    http::SetAccessMethodProvider({});
    m_log.SetView({});
    m_log.SetSiteLabels({});
}

WalkOptions MainWindow::MainOptions() const
{
    WalkOptions options;
    options.excludedContainers = {m_c.siteGroup, m_c.backEndGroup, m_c.articleGroup, m_c.enhanceGroup};
    return options;
}

std::string MainWindow::CombinedFingerprint()
{
    // The window's own controls and, since the list sits in an excluded group box, the site list apart.
    WalkOptions list;
    list.includedNames = QStringList{m_c.siteList->objectName()};
    return WindowFingerprint(this, MainOptions()) + '|' + WindowFingerprint(this, list);
}

void MainWindow::ConnectHandlers()
{
    m_panel->Connect();
    m_editor->Connect();
    ConnectListButtons(m_c, this);
    connect(m_c.logButton, &QPushButton::clicked, this, [this] { ToggleLogWindow(); });
    connect(m_c.startButton, &QPushButton::clicked, this, [this] { ToggleRun(false); });
    for (QAbstractButton* box :
        std::initializer_list<QAbstractButton*>{m_c.independent, m_c.synchronous, m_c.globalQuotaEnabled,
            m_c.shutDownWhenDone, m_c.retryOnFailure, m_c.publishInReadOrder, m_c.enhancedSubmit})
        connect(box, &QAbstractButton::toggled, this, [this] { UpdateRunOptions(); });
    for (QLineEdit* edit : {m_c.concurrentSites, m_c.roundInterval, m_c.globalQuota})
        connect(edit, &QLineEdit::textChanged, this, [this] { UpdateRunOptions(); });
    connect(m_c.accessMethod, &QComboBox::currentIndexChanged, this, [this] { UpdateRunOptions(); });
}

void MainWindow::UpdateRunOptions()
{
    run::RunOptions options;
    options.independent = m_c.independent->isChecked();
    options.concurrentSites = FromQString(m_c.concurrentSites->text());
    options.roundInterval = FromQString(m_c.roundInterval->text());
    options.globalQuotaEnabled = m_c.globalQuotaEnabled->isChecked();
    options.globalQuota = FromQString(m_c.globalQuota->text());
    options.shutDownWhenDone = m_c.shutDownWhenDone->isChecked();
    options.retryOnFailure = m_c.retryOnFailure->isChecked();
    options.publishInReadOrder = m_c.publishInReadOrder->isChecked();
    options.accessMethod = m_c.accessMethod->currentIndex();
    options.enhancedSubmit = m_c.enhancedSubmit->isChecked();
    options.skipOnRewriteFailure = m_skipOnRewriteFailure;
    g_accessMethod.store(options.accessMethod);
    m_host.SetOptions(options);
}

void MainWindow::ToggleRun(bool calledByTimer)
{
    if (!IsRunActive() && !m_wordListLoaded) {
        // The built-in word list is large: it is read once, by the first run that needs it.
        for (const sites::SiteConfig& site : m_sites.sites) {
            if (site.enabled && site.keywordsMode == 1) {
                m_wordListLoaded = m_extractor.LoadWordList();
                break;
            }
        }
    }
    m_run->ToggleRun(calledByTimer);
}

void MainWindow::AutoSave()
{
    // Never inside a dialog's or a run's own event processing, and never with a message: a panel that does
    // not pass the checks at this moment waits for the user's next commit.
    if (IsRunActive() || QApplication::activeModalWidget() || m_closing)
        return;
    m_editor->CommitPanelIfChanged(true);
    const std::string fingerprint = CombinedFingerprint();
    if (fingerprint == m_keptFingerprint && !m_settingsDirty)
        return;
    SaveSettingsIfChanged(false, true);
}

bool MainWindow::IsRunActive() const
{
    return kc::gui::IsRunActive(m_c);
}

void MainWindow::SaveSettingsIfChanged(bool logLines, bool silent)
{
    m_editor->CommitPanelIfChanged(silent);
    const std::string fingerprint = CombinedFingerprint();
    if (fingerprint != m_keptFingerprint) {
        m_settingsDirty = true;
        m_keptFingerprint = fingerprint;
    }
    if (!m_settingsDirty)
        return;
    m_settingsDirty = false;
    if (logLines)
        m_log.LogLine(KC_TEXT("正在保存配置中.."));
    SaveWindowState(this, m_store, MainSection(), MainOptions());
    const sites::SiteList& list = m_editor->ListForSaving();
    sites::SaveSites(m_store, list);
    for (size_t n = list.Count() + 1;; ++n) {
        if (m_store.DeleteEntry(sites::SiteSection(static_cast<int>(n)), {}, true) != config::kDone)
            break;
    }
    if (!m_store.Save()) {
        // Nothing is lost yet: the next save tries again.
        m_settingsDirty = true;
        if (!silent)
            ShowMessage(this, QStringLiteral("保存配置失败，请检查软件目录是否可写：\r\n") + ToQString(m_store.Path()));
        return;
    }
    if (logLines)
        m_log.LogLine(KC_TEXT("保存配置完成"));
}

void MainWindow::BringToFront(QWidget* window)
{
    if (window->isHidden())
        window->show();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

void MainWindow::OnTrayEvent(int kind)
{
    if (kind == 1) {
        setVisible(!isVisible());
        if (isVisible())
            BringToFront(this);
        return;
    }
    if (kind != 3)
        return;
    const QString question = QStringLiteral("确定要退出本软件《") + ProductName() + QStringLiteral("》吗？");
    if (ShowMessage(this, question, Buttons::OkCancel) != Answer::Ok)
        return;
    m_tray->hide();
    close();
}

void MainWindow::ToggleLogWindow()
{
    if (!m_logWindow)
        return;
    if (m_c.logButton->text() == HideLogCaption()) {
        m_c.logButton->setText(ShowLogCaption());
        m_logWindow->hide();
        return;
    }
    ShowLogWindow();
}

void MainWindow::ShowLogWindow()
{
    if (!m_logWindow)
        return;
    m_c.logButton->setText(HideLogCaption());
    m_logWindow->show();
    BringToFront(m_logWindow);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    if (IsRunActive()
        && ShowMessage(this, QStringLiteral("当前正在更新中，请问是否还继续退出？"), Buttons::YesNo) == Answer::No) {
        event->ignore();
        return;
    }
    hide();
    if (m_logWindow) {
        m_logWindow->hide();
        m_log.SetView({});
        delete m_logWindow;
        m_logWindow = nullptr;
    }
    SaveSettingsIfChanged(false);
    m_closing = true;
    event->accept();
    if (m_endProcess)
        m_endProcess(0);
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activated) {
        m_activated = true;
        OnFirstActivation();
    }
}

void MainWindow::OnFirstActivation()
{
    // The scheduled-task window, which this setting opens by itself, is not part of the program yet; the
    // setting is read so that it is the one the window will use.
    m_store.SelectSection(MainSection());
    (void)m_store.ReadBool(KC_TEXT("自动开启计划任务"), false);
}

void MainWindow::ShowLastFailure()
{
    m_store.SelectSection(KC_TEXT("失败信息"));
    const QString subject = ToQString(m_store.ReadText(KC_TEXT("更新失败的域名用户")));
    ShowFailure(m_logWindow ? static_cast<QWidget*>(m_logWindow) : this, FailureKind::Update, subject);
}

namespace {

// The controls a run disables: those that change the list or the mode.
std::vector<QWidget*> RunLockedControls(const MainControls& c)
{
    return {c.independent, c.synchronous, c.importButton, c.exportButton, c.upButton, c.downButton, c.enableAllButton,
        c.disableAllButton, c.invertAllButton, c.addButton, c.deleteButton, c.clearButton, c.readCategoriesButton};
}

} // namespace

void MainWindow::SaveSettingsAtRunStart()
{
    // No worker has started yet: edits still go straight into the records the run is about to read.
    m_editor->SetRecordsInUse(false);
    SaveSettingsIfChanged(true);
    m_editor->SetRecordsInUse(true);
}

void MainWindow::OnRunStarted()
{
    m_editor->SetRecordsInUse(true);
    m_c.startButton->setText(RunningStartCaption());
    m_c.stopSiteButton->setVisible(true);
    m_c.stopSiteButton->raise();
    for (QWidget* control : RunLockedControls(m_c))
        control->setEnabled(false);
    ShowLogWindow();
}

void MainWindow::OnRunStopping()
{
    m_c.startButton->setText(StoppingStartCaption());
}

void MainWindow::OnRunEnded(const run::RunSummary& summary, bool calledByTimer)
{
    for (QWidget* control : RunLockedControls(m_c)) {
        if (control != m_c.readCategoriesButton)
            control->setEnabled(true);
    }
    for (int row = 0; row < m_c.siteList->count(); ++row)
        m_c.siteList->SetGreyed(row, false);
    m_c.stopSiteButton->setVisible(false);
    m_c.startButton->setText(IdleStartCaption());
    m_editor->SetRecordsInUse(false);
    m_editor->ApplyDeferredCommits();

    // The shutdown countdown is not part of the program yet: the completion message stands in for it.
    if (calledByTimer && !m_c.shutDownWhenDone->isChecked()) {
        if (m_c.logButton->text() == HideLogCaption())
            ToggleLogWindow();
        return;
    }
    ShowMessage(this,
        QStringLiteral("更新完成！总更新了 ") + QString::number(summary.publishedTotal)
            + QStringLiteral(" 篇文章，更新耗费 ") + ToQString(summary.duration));
}

void MainWindow::SetSiteLineEnabled(int site, bool enabled)
{
    m_c.siteList->SetGreyed(site - 1, !enabled);
}

void MainWindow::SetStopButtonEnabled(bool enabled)
{
    m_c.stopSiteButton->setEnabled(enabled);
}

void MainWindow::OnTitlesWrittenBack(int site, const std::string& titles)
{
    m_editor->TitlesWrittenBack(site - 1, titles);
}

} // namespace kc::gui
