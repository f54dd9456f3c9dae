// The log window: rows from many threads in order, the new list of each run, the locate button and the
// failure button.
#include "gui_test_support.h"

#include "gui/log/log_window.h"
#include "gui/main/main_window.h"
#include "log/run_log.h"
#include "platform/desktop.h"

#include <QPushButton>
#include <QTreeWidget>

#include <thread>

using kc::test::Find;
using kc::test::In;
using kc::test::Q;

class LogWindowTest : public QObject {
    Q_OBJECT

private slots:
    void rowsFromManyThreadsArriveInTheirOrder();
    void eachRunStartsANewListAndNamesItsFile();
    void locateButtonRevealsTheCurrentFileOnly();
    void failureButtonShowsTheLastFailedPage();
};

void LogWindowTest::rowsFromManyThreadsArriveInTheirOrder()
{
    kc::test::GuiHome home;
    kc::gui::LogWindow window(nullptr);
    kc::log::RunLog log;
    log.SetView(window.View());
    log.SetSiteLabels([](int site) { return "site" + std::to_string(site); });
    constexpr int kThreads = 4;
    constexpr int kLines = 50;
    std::vector<std::thread> writers;
    for (int t = 1; t <= kThreads; ++t) {
        writers.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i)
                log.LogLine(std::to_string(i), t);
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    log.LogLine({}, 0);
    auto* list = Find<QTreeWidget>(&window, u"列表框");
    QTRY_COMPARE(list->topLevelItemCount(), kThreads * kLines + 1);
    std::vector<int> next(kThreads + 1, 0);
    for (int row = 0; row < kThreads * kLines; ++row) {
        const QTreeWidgetItem* item = list->topLevelItem(row);
        const int site = item->text(1).mid(4).toInt();
        QCOMPARE(item->text(2).toInt(), next[static_cast<size_t>(site)]++);
    }
    const QTreeWidgetItem* last = list->topLevelItem(kThreads * kLines);
    QCOMPARE(last->text(1), Q(u"全局"));
    QCOMPARE(last->text(2), QString());
    QCOMPARE(list->headerItem()->text(0), Q(u"时间"));
    QCOMPARE(list->headerItem()->text(1), Q(u"站点"));
    QCOMPARE(list->headerItem()->text(2), Q(u"消息"));
}

void LogWindowTest::eachRunStartsANewListAndNamesItsFile()
{
    kc::test::GuiHome home;
    kc::gui::LogWindow window(nullptr);
    kc::log::RunLog log;
    log.SetView(window.View());
    window.SetLogSource([&log] { return log.LocateCaption(); }, [&log] { return log.CurrentFile(); });
    auto* locate = Find<QPushButton>(&window, u"按钮定位日志");
    QCOMPARE(locate->text(), Q(u"开始采集之后才有日志"));
    log.OpenRunLog();
    log.LogLine("first run");
    window.FlushRows();
    log.OpenRunLog(std::chrono::system_clock::now() + std::chrono::hours(1));
    log.LogLine("second run");
    window.FlushRows();
    auto* list = Find<QTreeWidget>(&window, u"列表框");
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(2), Q(u"second run"));
    QCOMPARE(locate->text(), Q(u"点击定位日志文件：") + QString::fromStdString(log.CurrentFile().filename().string()));
}

void LogWindowTest::locateButtonRevealsTheCurrentFileOnly()
{
    kc::test::GuiHome home;
    kc::gui::LogWindow window(nullptr);
    kc::log::RunLog log;
    window.SetLogSource([&log] { return log.LocateCaption(); }, [&log] { return log.CurrentFile(); });
    std::vector<kc::platform::CommandLine> launched;
    kc::platform::SetLauncher([&](const std::vector<kc::platform::CommandLine>& runs) { launched = runs; });
    auto* locate = Find<QPushButton>(&window, u"按钮定位日志");
    locate->click();
    QVERIFY(launched.empty());
    log.OpenRunLog();
    locate->click();
    QCOMPARE(launched.size(), size_t(2));
    QCOMPARE(launched[1], (kc::platform::CommandLine{"xdg-open", log.CurrentFile().parent_path().string()}));
    kc::platform::SetLauncher({});
}

void LogWindowTest::failureButtonShowsTheLastFailedPage()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    auto* failure = Find<QPushButton>(window.LogView(), u"按钮查看上次更新失败的原因");
    failure->click();
    QCOMPARE(
        kc::gui::hooks::TakeMessages().front().text, Q(u"失败信息为空！这说明你的网络不通，或网站太慢超时没有返回。"));
    QVERIFY(kc::gui::hooks::TakeDialogs().empty());

    QVERIFY(kc::test::WriteFileBytes(home.Dir() / kc::text::NativePath(In("更新失败.htm")), In("<p>文章已经存在</p>")));
    home.Store().SelectSection(In("失败信息"));
    home.Store().WriteText(In("更新失败的域名用户"), "shop.com(admin)");
    failure->click();
    QVERIFY(kc::gui::hooks::TakeMessages().empty());
    QCOMPARE(kc::gui::hooks::TakeDialogs(),
        std::vector<QString>{Q(u"shop.com(admin)更新失败（更多失败站点请到软件目录下的更新失败记录）|")});
}

QTEST_MAIN(LogWindowTest)
#include "log_window_test.moc"
