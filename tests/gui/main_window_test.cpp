// The main window's lifecycle: restore at start, the settings save with its fingerprints, close, tray, the log
// button and the window's side of a run.
#include "gui_test_support.h"

#include "gui/common/check_list_box.h"
#include "gui/log/log_window.h"
#include "gui/main/main_window.h"
#include "gui/sites/site_list_editor.h"
#include "sites/site_list.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <thread>

using kc::gui::Answer;
using kc::test::Find;
using kc::test::In;
using kc::test::Q;

namespace {

void SeedSites(kc::config::ConfigStore& store, int count, int selected)
{
    kc::sites::SiteList seed;
    for (int i = 0; i < count; ++i) {
        kc::sites::SiteConfig site;
        site.domain = "s" + std::to_string(i) + ".com";
        site.user = "u";
        site.password = "p";
        site.enabled = true;
        seed.Append(site);
    }
    seed.selectedLine = selected;
    kc::sites::SaveSites(store, seed);
}

std::string Main()
{
    return In("基本配置");
}

// The settings file as it is on disk, read into a store of its own.
std::string OnDisk(const kc::test::GuiHome& home, const std::string& section, const std::string& key)
{
    kc::config::ConfigStore disk;
    disk.Open(home.SettingsPath(), kc::config::OpenMode::InMemory);
    return disk.GetValue(section, key, "<none>");
}

std::vector<QString> MessageTexts()
{
    std::vector<QString> texts;
    for (const kc::gui::MessageRequest& message : kc::gui::hooks::TakeMessages())
        texts.push_back(message.text);
    return texts;
}

QStringList RunLockedNames()
{
    return {Q(u"单选框先后独立"), Q(u"单选框同步循环"), Q(u"按钮导入"), Q(u"按钮导出"), Q(u"按钮上移"), Q(u"按钮下移"),
        Q(u"按钮启用"), Q(u"按钮不启"), Q(u"按钮反启"), Q(u"按钮添加"), Q(u"按钮删除"), Q(u"按钮清空"),
        Q(u"按钮读取分类列表")};
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithItsCaptionSizeAndSavedState();
    void resizingKeepsTheTopStripAsWideAsTheWindow();
    void nothingChangedWritesNothing();
    void savesTheWindowsOwnKeysAndNotThoseOfTheSite();
    void listChangesAloneAreSavedAndLeftoverSectionsGo();
    void optionsSnapshotFollowsTheControls();
    void closeWhileIdleAsksNothingAndSaves();
    void closeDuringARunAsksFirst_data();
    void closeDuringARunAsksFirst();
    void trayClicksToggleAndTheMenuAsksBeforeExit();
    void logButtonAndCloseBoxShowAndHideTheLog();
    void runStartAndEndChangeTheControls();
    void runEndedByTheTimerHidesTheLogInsteadOfTheMessage();
    void autoSaveWritesChangesWithoutAsking();
    void serviceOptionOfTheRunComesFromItsSection();
};

void MainWindowTest::opensWithItsCaptionSizeAndSavedState()
{
    kc::test::GuiHome home;
    SeedSites(home.Store(), 3, 1);
    home.Store().SelectSection(Main());
    home.Store().WriteBool(In("选择框完成关机"), true);
    home.Store().WriteText(In("编辑框同时站点数"), "7");
    home.Store().WriteBool(In("单选框同步循环"), true);
    home.Store().WriteBool(In("单选框先后独立"), false);
    // Keys of the site's controls in the window's section are not the window's: they stay unread.
    home.Store().WriteText(In("编辑框域名"), "stray.com");
    kc::gui::MainWindow window(home.Store());
    window.show();
    QCOMPARE(window.windowTitle(), Q(u"Kestrune Courier v1.0.1.0"));
    QCOMPARE(window.size(), QSize(989, 694));
    QVERIFY(Find<QCheckBox>(&window, u"选择框完成关机")->isChecked());
    QVERIFY(Find<QRadioButton>(&window, u"单选框同步循环")->isChecked());
    QCOMPARE(Find<kc::gui::CheckListBox>(&window, u"选择列表框")->currentRow(), 1);
    QCOMPARE(Find<QLineEdit>(&window, u"编辑框域名")->text(), Q(u"s1.com"));
    QCOMPARE(window.Host().Options().concurrentSites, std::string("7"));
    QVERIFY(!window.Host().Options().independent);
    QVERIFY(!window.LogView()->isVisible());
    QCOMPARE(Find<QPushButton>(&window, u"按钮开始更新")->text(), Q(u"开始站群更新"));
    QVERIFY(!Find<QPushButton>(&window, u"按钮停止更新")->isVisible());
}

void MainWindowTest::resizingKeepsTheTopStripAsWideAsTheWindow()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    window.show();
    window.resize(1200, 760);
    QCoreApplication::processEvents();
    QCOMPARE(Find<QFrame>(&window, u"图片框1")->width(), window.width());
    QCOMPARE(Find<QLabel>(&window, u"标签13")->width(), window.width());
    QCOMPARE(Find<QLabel>(&window, u"标签13")->height(), 2);
}

void MainWindowTest::nothingChangedWritesNothing()
{
    kc::test::GuiHome home;
    {
        kc::gui::MainWindow window(home.Store());
        window.SaveSettingsIfChanged(false);
        QVERIFY(!home.SettingsFileExists());
    }
    SeedSites(home.Store(), 2, 0);
    QVERIFY(home.Store().Save());
    kc::gui::MainWindow window(home.Store());
    // Selecting another site without editing is no change either.
    Find<kc::gui::CheckListBox>(&window, u"选择列表框")->setCurrentRow(1);
    QVERIFY(kc::test::WriteFileBytes(home.Dir() / "Kestrune Courier.ini", "sentinel"));
    window.SaveSettingsIfChanged(true);
    QCOMPARE(kc::test::ReadFileBytes(home.Dir() / "Kestrune Courier.ini"), std::string("sentinel"));
}

void MainWindowTest::savesTheWindowsOwnKeysAndNotThoseOfTheSite()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    Find<QCheckBox>(&window, u"选择框完成关机")->setChecked(true);
    window.SaveSettingsIfChanged(false);
    QCOMPARE(OnDisk(home, Main(), In("选择框完成关机")), In("真"));
    QCOMPARE(OnDisk(home, Main(), In("单选框先后独立")), In("真"));
    QCOMPARE(OnDisk(home, Main(), In("编辑框同时站点数")), std::string("5"));
    QCOMPARE(OnDisk(home, Main(), In("编辑框域名")), std::string("<none>"));
    QCOMPARE(OnDisk(home, Main(), In("按钮输入关键词组.标记")), std::string("<none>"));
    // Toggling back and forth is a change only while it differs from what was saved.
    QVERIFY(kc::test::WriteFileBytes(home.Dir() / "Kestrune Courier.ini", "sentinel"));
    Find<QCheckBox>(&window, u"选择框完成关机")->setChecked(false);
    Find<QCheckBox>(&window, u"选择框完成关机")->setChecked(true);
    window.SaveSettingsIfChanged(false);
    QCOMPARE(kc::test::ReadFileBytes(home.Dir() / "Kestrune Courier.ini"), std::string("sentinel"));
}

void MainWindowTest::listChangesAloneAreSavedAndLeftoverSectionsGo()
{
    kc::test::GuiHome home;
    SeedSites(home.Store(), 5, 4);
    kc::gui::MainWindow window(home.Store());
    auto* remove = Find<QPushButton>(&window, u"按钮删除");
    remove->click();
    remove->click();
    QVERIFY(!window.SettingsDirty());
    window.SaveSettingsIfChanged(false);
    QCOMPARE(OnDisk(home, In("站点配置"), In("站点数")), std::string("3"));
    QCOMPARE(OnDisk(home, In("站点配置"), In("现行项")), std::string("2"));
    QCOMPARE(OnDisk(home, kc::sites::SiteSection(3), In("域名")), std::string("s2.com"));
    QCOMPARE(OnDisk(home, kc::sites::SiteSection(4), In("域名")), std::string("<none>"));
    QCOMPARE(OnDisk(home, kc::sites::SiteSection(5), In("域名")), std::string("<none>"));
}

void MainWindowTest::optionsSnapshotFollowsTheControls()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    Find<QLineEdit>(&window, u"编辑框循环间隔")->setText(Q(u"2.5"));
    Find<QCheckBox>(&window, u"选择框全局更新数量")->setChecked(true);
    Find<QLineEdit>(&window, u"编辑框全局更新数量")->setText(Q(u"4"));
    Find<QCheckBox>(&window, u"选择框按读入顺序发布")->setChecked(true);
    Find<QRadioButton>(&window, u"单选框同步循环")->setChecked(true);
    kc::run::RunOptions seen;
    std::thread worker([&] { seen = window.Host().Options(); });
    worker.join();
    QCOMPARE(seen.roundInterval, std::string("2.5"));
    QVERIFY(seen.globalQuotaEnabled);
    QCOMPARE(seen.globalQuota, std::string("4"));
    QVERIFY(seen.publishInReadOrder);
    QVERIFY(!seen.independent);
}

void MainWindowTest::closeWhileIdleAsksNothingAndSaves()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    int ended = -1;
    window.SetProcessEnder([&](int status) { ended = status; });
    window.show();
    Find<QCheckBox>(&window, u"选择框失败时重复尝试")->setChecked(true);
    window.close();
    QCOMPARE(ended, 0);
    QVERIFY(MessageTexts().empty());
    QCOMPARE(OnDisk(home, Main(), In("选择框失败时重复尝试")), In("真"));
    QVERIFY(window.LogView() == nullptr);
}

void MainWindowTest::closeDuringARunAsksFirst_data()
{
    QTest::addColumn<bool>("goOn");
    QTest::newRow("No keeps the window and the run") << false;
    QTest::newRow("Yes saves and ends") << true;
}

void MainWindowTest::closeDuringARunAsksFirst()
{
    QFETCH(bool, goOn);
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    int ended = -1;
    window.SetProcessEnder([&](int status) { ended = status; });
    window.show();
    window.OnRunStarted();
    kc::gui::hooks::PushAnswer(goOn ? Answer::Yes : Answer::No);
    window.close();
    const std::vector<kc::gui::MessageRequest> asked = kc::gui::hooks::TakeMessages();
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(asked[0].text, Q(u"当前正在更新中，请问是否还继续退出？"));
    QVERIFY(asked[0].buttons == kc::gui::Buttons::YesNo);
    QCOMPARE(window.isVisible(), !goOn);
    QCOMPARE(ended, goOn ? 0 : -1);
    QVERIFY(window.IsRunActive());
}

void MainWindowTest::trayClicksToggleAndTheMenuAsksBeforeExit()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    int ended = -1;
    window.SetProcessEnder([&](int status) { ended = status; });
    window.show();
    window.OnTrayEvent(1);
    QVERIFY(!window.isVisible());
    window.OnTrayEvent(1);
    QVERIFY(window.isVisible());
    window.showMinimized();
    window.OnTrayEvent(1);
    window.OnTrayEvent(1);
    QVERIFY(window.isVisible() && !window.isMinimized());
    window.OnTrayEvent(2);
    QVERIFY(window.isVisible());

    kc::gui::hooks::PushAnswer(Answer::Cancel);
    window.OnTrayEvent(3);
    QCOMPARE(MessageTexts(), std::vector<QString>{Q(u"确定要退出本软件《Kestrune Courier》吗？")});
    QCOMPARE(ended, -1);
    kc::gui::hooks::PushAnswer(Answer::Ok);
    window.OnTrayEvent(3);
    QCOMPARE(ended, 0);
}

void MainWindowTest::logButtonAndCloseBoxShowAndHideTheLog()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    window.show();
    auto* button = Find<QPushButton>(&window, u"按钮查看日志");
    QCOMPARE(button->text(), Q(u"查看日志"));
    button->click();
    QCOMPARE(button->text(), Q(u"关闭日志"));
    QVERIFY(window.LogView()->isVisible());
    QCOMPARE(window.LogView()->windowTitle(), Q(u"日志"));
    QCOMPARE(window.LogView()->size(), QSize(646, 436));
    button->click();
    QVERIFY(!window.LogView()->isVisible());
    button->click();
    window.LogView()->close();
    QVERIFY(!window.LogView()->isVisible());
    QCOMPARE(button->text(), Q(u"查看日志"));
}

void MainWindowTest::runStartAndEndChangeTheControls()
{
    kc::test::GuiHome home;
    SeedSites(home.Store(), 2, 0);
    kc::gui::MainWindow window(home.Store());
    window.show();
    auto* list = Find<kc::gui::CheckListBox>(&window, u"选择列表框");
    window.OnRunStarted();
    QVERIFY(window.IsRunActive());
    QCOMPARE(Find<QPushButton>(&window, u"按钮开始更新")->text(), Q(u"停止站群更新"));
    QVERIFY(Find<QPushButton>(&window, u"按钮停止更新")->isVisible());
    for (const QString& name : RunLockedNames())
        QVERIFY2(!window.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    QVERIFY(window.LogView()->isVisible());
    QCOMPARE(Find<QPushButton>(&window, u"按钮查看日志")->text(), Q(u"关闭日志"));
    window.Host().SetSiteLineEnabled(2, false);
    QVERIFY(list->IsGreyed(1));
    window.OnRunStopping();
    QCOMPARE(Find<QPushButton>(&window, u"按钮开始更新")->text(), Q(u"正在停止中.."));
    QVERIFY(window.IsRunActive());

    window.OnRunEnded({3, In("1.25 分"), false}, false);
    QVERIFY(!window.IsRunActive());
    QCOMPARE(MessageTexts(), std::vector<QString>{Q(u"更新完成！总更新了 3 篇文章，更新耗费 1.25 分")});
    QVERIFY(!Find<QPushButton>(&window, u"按钮停止更新")->isVisible());
    QVERIFY(!list->IsGreyed(1));
    for (const QString& name : RunLockedNames()) {
        if (name != Q(u"按钮读取分类列表"))
            QVERIFY2(window.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    }
}

void MainWindowTest::runEndedByTheTimerHidesTheLogInsteadOfTheMessage()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    window.show();
    window.OnRunStarted();
    window.OnRunEnded({1, In("500 毫秒"), false}, true);
    QVERIFY(MessageTexts().empty());
    QVERIFY(!window.LogView()->isVisible());
    QCOMPARE(Find<QPushButton>(&window, u"按钮查看日志")->text(), Q(u"查看日志"));
}

void MainWindowTest::autoSaveWritesChangesWithoutAsking()
{
    kc::test::GuiHome home;
    SeedSites(home.Store(), 2, 0);
    kc::gui::MainWindow window(home.Store());
    window.AutoSave();
    QVERIFY(!home.SettingsFileExists());

    // A panel that fails the checks stays as it is, without a message; the rest is saved.
    Find<QLineEdit>(&window, u"编辑框域名")->clear();
    Find<QCheckBox>(&window, u"选择框完成关机")->setChecked(true);
    window.AutoSave();
    QVERIFY(MessageTexts().empty());
    QCOMPARE(OnDisk(home, Main(), In("选择框完成关机")), In("真"));
    QCOMPARE(OnDisk(home, kc::sites::SiteSection(1), In("域名")), std::string("s0.com"));

    // Once the panel passes, its edit is committed and saved too.
    Find<QLineEdit>(&window, u"编辑框域名")->setText(Q(u"fixed.com"));
    window.AutoSave();
    QCOMPARE(OnDisk(home, kc::sites::SiteSection(1), In("域名")), std::string("fixed.com"));

    // Never during a run.
    window.OnRunStarted();
    Find<QCheckBox>(&window, u"选择框完成关机")->setChecked(false);
    window.AutoSave();
    QCOMPARE(OnDisk(home, Main(), In("选择框完成关机")), In("真"));
}

void MainWindowTest::serviceOptionOfTheRunComesFromItsSection()
{
    kc::test::GuiHome home;
    home.Store().SelectSection(In("外调接口"));
    home.Store().WriteBool(In("选择框失败跳过更新"), true);
    kc::gui::MainWindow window(home.Store());
    QVERIFY(window.Host().Options().skipOnRewriteFailure);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
