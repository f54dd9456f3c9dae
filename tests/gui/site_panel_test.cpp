// The settings panel: what ReadPanel makes of the controls, what ShowSite writes, the enabling rules, the tail
// block mode, the list buttons and the article folder button.
#include "gui_test_support.h"

#include "gui/common/control_tag.h"
#include "gui/main/main_window.h"
#include "gui/sites/site_panel.h"
#include "gui/state/tree_items.h"
#include "platform/desktop.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using kc::test::Find;
using kc::test::In;
using kc::test::Q;

class SitePanelTest : public QObject {
    Q_OBJECT

private slots:
    void readPanelNormalisesAndReadsNumbersLeniently_data();
    void readPanelNormalisesAndReadsNumbersLeniently();
    void showSiteThenReadPanelGivesTheSameSettings();
    void intervalsShowInTheirShortForm_data();
    void intervalsShowInTheirShortForm();
    void enablingRules_data();
    void enablingRules();
    void tailBlockModeRenamesAndEnablesTheSeparator();
    void globalQuotaBoxFollowsItsCheckBox();
    void listButtonKeepsItsTextInItsTagWithLineBreaks();
    void folderButtonChoosesAndOpens();
    void categoryButtonsLeaveLockedCategoriesAlone();
};

void SitePanelTest::readPanelNormalisesAndReadsNumbersLeniently_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");
    QTest::newRow("domain with spaces, scheme and slash")
        << Q(u"编辑框域名") << Q(u"  HTTP://www.a.com/ ") << Q(u"domain") << Q(u"www.a.com");
    QTest::newRow("admin directory in slashes")
        << Q(u"编辑框后台") << Q(u"/shop/admin/") << Q(u"adminDir") << Q(u"shop/admin");
    QTest::newRow("empty admin directory") << Q(u"编辑框后台") << Q(u" ") << Q(u"adminDir") << Q(u"dede");
    QTest::newRow("letter as a count") << Q(u"编辑框关键词数1") << Q(u"x") << Q(u"keywordsMin") << Q(u"0");
    QTest::newRow("fraction as a count") << Q(u"编辑框关键词数2") << Q(u"2.9") << Q(u"keywordsMax") << Q(u"2");
    QTest::newRow("leading number of a count") << Q(u"编辑框更新数量") << Q(u"12篇") << Q(u"articleQuota") << Q(u"12");
    QTest::newRow("interval keeps its fraction")
        << Q(u"编辑框更新间隔1") << Q(u"0.5") << Q(u"intervalMin") << Q(u"0.5");
    QTest::newRow("huge count saturates")
        << Q(u"编辑框插入概率") << Q(u"99999999999") << Q(u"titleInsertPercent") << Q(u"2147483647");
}

void SitePanelTest::readPanelNormalisesAndReadsNumbersLeniently()
{
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(QString, stored);
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    window.findChild<QLineEdit*>(control)->setText(typed);
    const kc::sites::SiteConfig site = window.Panel().ReadPanel();
    QString value;
    if (field == Q(u"domain"))
        value = kc::gui::ToQString(site.domain);
    else if (field == Q(u"adminDir"))
        value = kc::gui::ToQString(site.adminDir);
    else if (field == Q(u"keywordsMin"))
        value = QString::number(site.keywordsMin);
    else if (field == Q(u"keywordsMax"))
        value = QString::number(site.keywordsMax);
    else if (field == Q(u"articleQuota"))
        value = QString::number(site.articleQuota);
    else if (field == Q(u"intervalMin"))
        value = kc::gui::PanelNumberText(site.intervalMin);
    else if (field == Q(u"titleInsertPercent"))
        value = QString::number(site.titleInsertPercent);
    QCOMPARE(value, stored);
}

void SitePanelTest::showSiteThenReadPanelGivesTheSameSettings()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    kc::sites::SiteConfig site;
    site.domain = "shop.example.com";
    site.user = In("管理员");
    site.password = "p&ss=1";
    site.siteEncoding = 1;
    site.adminDir = "admin";
    site.securityCode = In("码");
    site.useHttps = true;
    site.keywordsSource = In("鞋子,运动鞋\r\n跑步");
    site.keywordsMin = 3;
    site.keywordsMax = 7;
    site.keywordsMode = 1;
    site.goodsSource = "12\r\n13";
    site.goodsMode = 1;
    site.descMin = 50;
    site.descMax = 80;
    site.authorsSource = In("小编");
    site.top = site.featured = true;
    site.extractThumb = site.localiseImages = true;
    site.categoryData = In("-1{G}资讯[3]{G}0{G}0{G}3{G}假{G}1{G}真{H}0{G}行业[5]{G}0{G}0{G}5{G}假{G}0{G}假");
    site.categoryIds = "3";
    site.categorySelected = 1;
    site.articleDir = In("/srv/文章");
    site.fileEncoding = 2;
    site.fileFilter = "*.txt|*.htm";
    site.articleQuota = 9;
    site.intervalMin = 0.25f;
    site.intervalMax = 1.5f;
    site.deleteAfter = site.firstLineTitle = site.paragraphTags = true;
    site.rewriteType = 1;
    site.customTitles = site.customTitlesInOrder = site.customTitlesDelete = true;
    site.customTitlesSource = In("标题一\r\n标题二");
    site.bodyInsert = site.bodyInsertChange = true;
    site.bodyInsertSource = "<a href=\"/\">k</a>";
    site.bodyInsertMin = 1;
    site.bodyInsertMax = 4;
    site.tailInsert = site.tailBlocks = site.tailInsertChange = true;
    site.tailInsertSource = "/srv/blocks";
    site.tailInsertMin = 2;
    site.tailInsertMax = 2;
    site.blockSeparator = "\\n--\\n";
    site.titleInsert = true;
    site.titleInsertSource = In("热卖");
    site.titleInsertPercent = 60;
    site.titleInsertPlace = 2;
    site.titleInsertSeparator = "-";

    window.Panel().ShowSite(site);
    const kc::sites::SiteConfig read = window.Panel().ReadPanel();
    kc::config::ConfigStore a;
    kc::config::ConfigStore b;
    kc::sites::WriteSite(a, site);
    kc::sites::WriteSite(b, read);
    QCOMPARE(kc::gui::ToQString(b.Image()), kc::gui::ToQString(a.Image()));
}

void SitePanelTest::intervalsShowInTheirShortForm_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0.01") << 0.01f << Q(u"0.01");
    QTest::newRow("0.03") << 0.03f << Q(u"0.03");
    QTest::newRow("whole") << 2.0f << Q(u"2");
    QTest::newRow("zero") << 0.0f << Q(u"0");
}

void SitePanelTest::intervalsShowInTheirShortForm()
{
    QFETCH(float, value);
    QFETCH(QString, shown);
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    kc::sites::SiteConfig site = window.Panel().ReadPanel();
    site.intervalMax = value;
    window.Panel().ShowSite(site);
    QCOMPARE(Find<QLineEdit>(&window, u"编辑框更新间隔2")->text(), shown);
}

void SitePanelTest::enablingRules_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<QStringList>("enabled");
    QTest::newRow("defaults") << Q(u"") << QStringList{Q(u"编辑框尾部分块符"), Q(u"按钮输入标题列表")}
                              << QStringList{Q(u"按钮输入关键词组"), Q(u"选择框置顶"), Q(u"编辑框商品ID数1")};
    QTest::newRow("random attributes") << Q(u"选择框随机属性")
                                       << QStringList{Q(u"选择框置顶"), Q(u"选择框推荐"), Q(u"选择框精选")}
                                       << QStringList{Q(u"选择框随机属性")};
    QTest::newRow("keywords from the title")
        << Q(u"关键词方式2") << QStringList{Q(u"按钮输入关键词组"), Q(u"编辑框关键词数1"), Q(u"编辑框关键词数2")}
        << QStringList{};
    QTest::newRow("built-in keywords") << Q(u"关键词方式1") << QStringList{Q(u"按钮输入关键词组")}
                                       << QStringList{Q(u"编辑框关键词数1"), Q(u"编辑框关键词数2")};
    QTest::newRow("no goods") << Q(u"商品方式1")
                              << QStringList{Q(u"按钮输入商品ID组"), Q(u"编辑框商品ID数1"), Q(u"编辑框商品ID数2")}
                              << QStringList{};
    QTest::newRow("body insertion") << Q(u"选择框随机插入关键词") << QStringList{}
                                    << QStringList{Q(u"按钮输入关键词列表"), Q(u"编辑框插入次数1"),
                                           Q(u"编辑框插入次数2"), Q(u"选择框每次换词"), Q(u"选择框关键词与标签同步")};
    QTest::newRow("body keywords from the tags")
        << Q(u"同步")
        << QStringList{Q(u"按钮输入关键词列表"), Q(u"编辑框插入次数1"), Q(u"编辑框插入次数2"), Q(u"选择框每次换词")}
        << QStringList{Q(u"选择框关键词与标签同步")};
    QTest::newRow("body insertion off") << Q(u"") << QStringList{Q(u"按钮输入关键词列表"), Q(u"选择框关键词与标签同步")}
                                        << QStringList{};
    QTest::newRow("tail insertion") << Q(u"选择框尾部插入关键词") << QStringList{Q(u"编辑框尾部分块符")}
                                    << QStringList{Q(u"按钮输入尾部关键词列表"), Q(u"编辑框尾部插入次数1"),
                                           Q(u"编辑框尾部插入次数2"), Q(u"选择框尾部每次换词"),
                                           Q(u"选择框尾部调用文章块")};
    QTest::newRow("title insertion") << Q(u"选择框标题插入关键词") << QStringList{}
                                     << QStringList{Q(u"按钮输入标题关键词列表"), Q(u"编辑框插入概率"),
                                            Q(u"组合框标题插入方式"), Q(u"编辑框标题插入分隔符")};
    QTest::newRow("title insertion off") << Q(u"")
                                         << QStringList{Q(u"按钮输入标题关键词列表"), Q(u"编辑框插入概率"),
                                                Q(u"组合框标题插入方式"), Q(u"编辑框标题插入分隔符")}
                                         << QStringList{};
    QTest::newRow("custom titles") << Q(u"选择框指定标题") << QStringList{}
                                   << QStringList{Q(u"按钮输入标题列表"), Q(u"选择框删除标题"), Q(u"选择框按顺序调用")};
}

void SitePanelTest::enablingRules()
{
    QFETCH(QString, action);
    QFETCH(QStringList, disabled);
    QFETCH(QStringList, enabled);
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    if (action == Q(u"关键词方式2"))
        Find<QComboBox>(&window, u"组合框关键词方式")->setCurrentIndex(2);
    else if (action == Q(u"关键词方式1"))
        Find<QComboBox>(&window, u"组合框关键词方式")->setCurrentIndex(1);
    else if (action == Q(u"商品方式1"))
        Find<QComboBox>(&window, u"组合框商品ID方式")->setCurrentIndex(1);
    else if (action == Q(u"同步")) {
        Find<QCheckBox>(&window, u"选择框随机插入关键词")->click();
        Find<QCheckBox>(&window, u"选择框关键词与标签同步")->click();
    } else if (!action.isEmpty())
        window.findChild<QCheckBox*>(action)->click();
    for (const QString& name : disabled)
        QVERIFY2(!window.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
    for (const QString& name : enabled)
        QVERIFY2(window.findChild<QWidget*>(name)->isEnabled(), qPrintable(name));
}

void SitePanelTest::tailBlockModeRenamesAndEnablesTheSeparator()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    auto* tail = Find<QCheckBox>(&window, u"选择框尾部插入关键词");
    auto* blocks = Find<QCheckBox>(&window, u"选择框尾部调用文章块");
    auto* button = Find<QPushButton>(&window, u"按钮输入尾部关键词列表");
    auto* separator = Find<QLineEdit>(&window, u"编辑框尾部分块符");
    tail->click();
    blocks->click();
    QCOMPARE(tail->text(), Q(u"尾部插入文章块"));
    QCOMPARE(button->text(), Q(u"输入路径列表.."));
    QVERIFY(separator->isEnabled());
    tail->click();
    QVERIFY(!separator->isEnabled());
    QCOMPARE(tail->text(), Q(u"尾部插入文章块"));
    tail->click();
    blocks->click();
    QCOMPARE(tail->text(), Q(u"尾部插入关键词"));
    QCOMPARE(button->text(), Q(u"输入关键词列表.."));
    QVERIFY(!separator->isEnabled());
}

void SitePanelTest::globalQuotaBoxFollowsItsCheckBox()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    auto* box = Find<QLineEdit>(&window, u"编辑框全局更新数量");
    QVERIFY(!box->isEnabled());
    Find<QCheckBox>(&window, u"选择框全局更新数量")->click();
    QVERIFY(box->isEnabled());
}

void SitePanelTest::listButtonKeepsItsTextInItsTagWithLineBreaks()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    auto* goods = Find<QPushButton>(&window, u"按钮输入商品ID组");
    kc::gui::SetTag(goods, Q(u"1\r\n2"));
    kc::gui::hooks::PushDialogResult(Q(u"7\n8\n9"));
    goods->click();
    QCOMPARE(kc::gui::Tag(goods), Q(u"7\r\n8\r\n9"));
    const std::vector<QString> dialogs = kc::gui::hooks::TakeDialogs();
    QCOMPARE(dialogs.size(), size_t(1));
    QCOMPARE(dialogs[0], Q(u"输入商品ID列表：|1\n2"));
    QCOMPARE(window.Panel().ReadPanel().goodsSource, std::string("7\r\n8\r\n9"));

    // Cancel keeps the tag.
    goods->click();
    QCOMPARE(kc::gui::Tag(goods), Q(u"7\r\n8\r\n9"));

    // In article-block mode the tail button edits the path list.
    Find<QCheckBox>(&window, u"选择框尾部插入关键词")->click();
    Find<QCheckBox>(&window, u"选择框尾部调用文章块")->click();
    kc::gui::hooks::TakeDialogs();
    Find<QPushButton>(&window, u"按钮输入尾部关键词列表")->click();
    QCOMPARE(kc::gui::hooks::TakeDialogs().front(), Q(u"输入路径列表：|"));
}

void SitePanelTest::folderButtonChoosesAndOpens()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    auto* folder = Find<QLineEdit>(&window, u"编辑框文章目录");
    auto* button = Find<QPushButton>(&window, u"按钮选择目录");
    folder->setText(Q(u"/srv/旧"));
    kc::gui::hooks::PushDialogResult(Q(u"  /srv/新 文章  "));
    button->click();
    QCOMPARE(folder->text(), Q(u"/srv/新 文章"));
    QCOMPARE(kc::gui::hooks::TakeDialogs().front(), Q(u"请选择一个文件夹|/srv/旧"));
    button->click(); // cancelled
    QCOMPARE(folder->text(), Q(u"/srv/新 文章"));

    std::vector<kc::platform::CommandLine> launched;
    kc::platform::SetLauncher([&](const std::vector<kc::platform::CommandLine>& runs) { launched = runs; });
    emit button->customContextMenuRequested({});
    QCOMPARE(launched.front(), (kc::platform::CommandLine{"xdg-open", "/srv/新 文章"}));
    folder->setText(Q(u"/opt/tool/Run.EXE"));
    emit button->customContextMenuRequested({});
    QCOMPARE(launched.front(), (kc::platform::CommandLine{"/opt/tool/Run.EXE"}));
    kc::platform::SetLauncher({});
}

void SitePanelTest::categoryButtonsLeaveLockedCategoriesAlone()
{
    kc::test::GuiHome home;
    kc::gui::MainWindow window(home.Store());
    kc::sites::SiteConfig site = window.Panel().ReadPanel();
    // Two ordinary categories (the second checked, a child of the first) and one of the shop's own.
    site.categoryData = In("-1{G}甲[1]{G}0{G}0{G}1{G}假{G}0{G}真{H}0{G}乙[2]{G}0{G}0{G}2{G}假{G}1{G}假{H}"
                           "-1{G}帮助[9]{G}1{G}1{G}9{G}假{G}2{G}假");
    window.Panel().ShowSite(site);
    auto checks = [&] {
        QString states;
        for (const kc::config::TreeItem& item : kc::gui::ReadTreeItems(Find<QTreeWidget>(&window, u"树型框")))
            states += QString::number(item.checkState);
        return states;
    };
    QCOMPARE(checks(), Q(u"012"));
    Find<QPushButton>(&window, u"按钮反选")->click();
    QCOMPARE(checks(), Q(u"102"));
    QCOMPARE(window.Panel().ReadPanel().categoryIds, std::string("1"));
    Find<QPushButton>(&window, u"按钮全选")->click();
    QCOMPARE(checks(), Q(u"112"));
    QCOMPARE(window.Panel().ReadPanel().categoryIds, std::string("1,2"));
    Find<QPushButton>(&window, u"按钮不选")->click();
    QCOMPARE(checks(), Q(u"002"));
}

QTEST_MAIN(SitePanelTest)
#include "site_panel_test.moc"
