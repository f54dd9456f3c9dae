// An update run started and stopped from the window's start button, against a sandbox shop on loopback.
#include "gui_test_support.h"

#include "ecshop/sandbox/sandbox_shop.h"
#include "gui/common/check_list_box.h"
#include "gui/log/log_window.h"
#include "gui/main/main_window.h"
#include "gui/sites/site_list_editor.h"
#include "platform/event_pump.h"
#include "sites/site_list.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

using kc::test::Find;
using kc::test::In;
using kc::test::Q;

namespace {

// A settings file of count sites on the shop, each publishing two articles of its own folder.
void SeedSites(kc::test::GuiHome& home, const kc::ecshop::SandboxShop& shop, int count)
{
    kc::sites::SiteList seed;
    int category = 0;
    for (const kc::ecshop::SandboxCategory& c : shop.Categories()) {
        if (c.type == kc::ecshop::kCategoryOrdinary) {
            category = c.id;
            break;
        }
    }
    for (int i = 1; i <= count; ++i) {
        const std::filesystem::path folder = home.Dir() / ("articles" + std::to_string(i));
        std::filesystem::create_directories(folder);
        for (int a = 1; a <= 2; ++a) {
            const std::string title = "site" + std::to_string(i) + " article" + std::to_string(a);
            kc::test::WriteFileBytes(folder / (title + ".txt"), "The body of " + title + ".\r\n");
        }
        kc::sites::SiteConfig site;
        site.enabled = true;
        site.domain = "127.0.0.1:" + std::to_string(shop.Port());
        site.adminDir = shop.Options().adminDir;
        site.user = shop.Options().user;
        site.password = shop.Options().password;
        site.articleDir = kc::text::InternalPath(folder);
        site.fileFilter = "*.txt";
        site.goodsMode = 1;
        site.categoryIds = std::to_string(category);
        seed.Append(site);
    }
    kc::sites::SaveSites(home.Store(), seed);
}

QStringList LogMessages(kc::gui::MainWindow& window)
{
    window.LogView()->FlushRows();
    auto* list = Find<QTreeWidget>(window.LogView(), u"列表框");
    QStringList messages;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        messages << list->topLevelItem(row)->text(2);
    return messages;
}

} // namespace

class RunFromWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        kc::platform::SetEventPump([] { QCoreApplication::processEvents(); });
    }
    void cleanup() { kc::platform::SetEventPump({}); }
    void startButtonRunsEveryEnabledSite();
    void secondPressStopsTheRun();
};

void RunFromWindowTest::startButtonRunsEveryEnabledSite()
{
    kc::test::GuiHome home;
    kc::ecshop::SandboxShop shop;
    QVERIFY(shop.Start());
    const size_t seeded = shop.Articles().size();
    SeedSites(home, shop, 3);
    kc::gui::MainWindow window(home.Store());
    window.show();
    // Sites of one host keep their sessions apart with the second access method.
    Find<QComboBox>(&window, u"组合框访问方式")->setCurrentIndex(1);
    Find<kc::gui::CheckListBox>(&window, u"选择列表框")->SetChecked(2, false);
    window.ListEditor().PersistEnabled(2);

    auto* start = Find<QPushButton>(&window, u"按钮开始更新");
    bool sawRunning = false;
    bool sawLocked = false;
    QTimer::singleShot(0, &window, [&] {
        sawRunning = start->text() == Q(u"停止站群更新") && Find<QPushButton>(&window, u"按钮停止更新")->isVisible();
        sawLocked = !Find<QPushButton>(&window, u"按钮添加")->isEnabled();
    });
    QTest::mouseClick(start, Qt::LeftButton);

    QVERIFY(sawRunning);
    QVERIFY(sawLocked);
    QCOMPARE(start->text(), Q(u"开始站群更新"));
    QVERIFY(Find<QPushButton>(&window, u"按钮添加")->isEnabled());
    QCOMPARE(shop.Articles().size(), seeded + 4);
    const std::vector<kc::gui::MessageRequest> asked = kc::gui::hooks::TakeMessages();
    QCOMPARE(asked.size(), size_t(1));
    QVERIFY2(asked[0].text.startsWith(Q(u"更新完成！总更新了 4 篇文章，更新耗费 ")), qPrintable(asked[0].text));
    const QStringList messages = LogMessages(window);
    // The unchecked line changed the settings: the run saves them first, and says so.
    QCOMPARE(messages.mid(0, 2), (QStringList{Q(u"正在保存配置中.."), Q(u"保存配置完成")}));
    QVERIFY(messages[2].startsWith(Q(u"站群更新开始，当前时间点是：")));
    QVERIFY(messages.contains(Q(u"下面是本次更新的站点情况一览表")));
    QVERIFY(messages.back().startsWith(Q(u"总更新了 4 篇文章")));
    // The site left out of the run is shown greyed only while the run goes.
    QVERIFY(!Find<kc::gui::CheckListBox>(&window, u"选择列表框")->IsGreyed(2));
}

void RunFromWindowTest::secondPressStopsTheRun()
{
    kc::test::GuiHome home;
    kc::ecshop::SandboxShop shop;
    QVERIFY(shop.Start());
    SeedSites(home, shop, 2);
    kc::gui::MainWindow window(home.Store());
    window.show();
    Find<QComboBox>(&window, u"组合框访问方式")->setCurrentIndex(1);
    auto* start = Find<QPushButton>(&window, u"按钮开始更新");
    QString captionAfterSecondPress;
    QTimer::singleShot(0, &window, [&] {
        QTest::mouseClick(start, Qt::LeftButton);
        captionAfterSecondPress = start->text();
    });
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(captionAfterSecondPress, Q(u"正在停止中.."));
    QCOMPARE(start->text(), Q(u"开始站群更新"));
    QVERIFY(LogMessages(window).contains(Q(u"已强制全部停止更新")));
    QCOMPARE(kc::gui::hooks::TakeMessages().size(), size_t(1));
}

QTEST_MAIN(RunFromWindowTest)
#include "run_from_window_test.moc"
