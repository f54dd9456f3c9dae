// Editing the site list: validation, the duplicate rule and its question, commits on selection changes, Shift
// ranges, delete, clear, move, the enabling buttons, the check marks during a run, import and export.
#include "gui_test_support.h"

#include "gui/common/check_list_box.h"
#include "gui/main/main_window.h"
#include "gui/sites/site_list_editor.h"
#include "sites/site_list.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

using kc::gui::Answer;
using kc::test::Find;
using kc::test::In;
using kc::test::Q;

namespace {

// A window over a settings file that holds count sites "s<i>.com(u<i>)", the first line selected.
struct SitesFixture {
    kc::test::GuiHome home;
    std::unique_ptr<kc::gui::MainWindow> window;
    kc::gui::CheckListBox* list = nullptr;

    explicit SitesFixture(int count, int selected = 0)
    {
        kc::sites::SiteList seed;
        for (int i = 0; i < count; ++i) {
            kc::sites::SiteConfig site;
            site.domain = "s" + std::to_string(i) + ".com";
            site.user = "u" + std::to_string(i);
            site.password = "p";
            site.adminDir = "admin";
            site.enabled = i % 2 == 0;
            seed.Append(site);
        }
        seed.selectedLine = selected;
        kc::sites::SaveSites(home.Store(), seed);
        window = std::make_unique<kc::gui::MainWindow>(home.Store());
        list = Find<kc::gui::CheckListBox>(window.get(), u"选择列表框");
    }

    QLineEdit* Edit(const char16_t* name) { return Find<QLineEdit>(window.get(), name); }
    QPushButton* Button(const char16_t* name) { return Find<QPushButton>(window.get(), name); }
    kc::sites::SiteList& Sites() { return window->Sites(); }

    // Clicks a line as the user does, with the given keyboard modifiers.
    void ClickLine(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(list->item(row)).center());
    }
    QStringList Lines() const
    {
        QStringList lines;
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text() + (list->IsChecked(i) ? Q(u"+") : Q(u"-"));
        return lines;
    }
    std::vector<QString> Messages()
    {
        std::vector<QString> texts;
        for (const kc::gui::MessageRequest& message : kc::gui::hooks::TakeMessages())
            texts.push_back(message.text);
        return texts;
    }
    bool StoredEnabled(int index)
    {
        home.Store().SelectSection(kc::sites::SiteSection(index + 1));
        return home.Store().ReadBool(In("启用"));
    }
};

} // namespace

class SiteListEditorTest : public QObject {
    Q_OBJECT

private slots:
    void addValidatesDomainFirstThenUserThenPassword_data();
    void addValidatesDomainFirstThenUserThenPassword();
    void addCopiesThePanelCheckedAndSelectedAtTheEnd();
    void duplicateQuestionLocatesOrStays_data();
    void duplicateQuestionLocatesOrStays();
    void allowedDuplicatesAreAdded();
    void modifyingASiteIsNoDuplicateOfItself();
    void selectionChangeCommitsTheEditedSite();
    void invalidEditKeepsTheUserOnTheSite();
    void shiftClickChecksTheRangeEitherWay_data();
    void shiftClickChecksTheRangeEitherWay();
    void deleteSelectsTheLineThatTakesItsPlace();
    void clearAsksAndEmptiesTheList();
    void moveExchangesWithTheNeighbour();
    void enablingButtonsPersistEveryLine();
    void checkMarksCannotChangeDuringARun();
    void commitsDuringARunWaitForItsEnd();
    void captionCountsTheSites();
    void exportThenImportDoublesTheList();
};

void SiteListEditorTest::addValidatesDomainFirstThenUserThenPassword_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("everything empty") << Q(u"") << Q(u"") << Q(u"") << Q(u"域名不能为空！");
    QTest::newRow("domain of spaces and a scheme") << Q(u" http:// ") << Q(u"u") << Q(u"p") << Q(u"域名不能为空！");
    QTest::newRow("no user") << Q(u"a.com") << Q(u"") << Q(u"") << Q(u"用户不能为空！");
    QTest::newRow("no password") << Q(u"a.com") << Q(u"u") << Q(u"") << Q(u"密码不能为空！");
}

void SiteListEditorTest::addValidatesDomainFirstThenUserThenPassword()
{
    QFETCH(QString, domain);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    SitesFixture f(1);
    f.Edit(u"编辑框域名")->setText(domain);
    f.Edit(u"编辑框用户")->setText(user);
    f.Edit(u"编辑框密码")->setText(password);
    f.Button(u"按钮添加")->click();
    QCOMPARE(f.Messages(), std::vector<QString>{message});
    QCOMPARE(f.list->count(), 1);
    QCOMPARE(f.Sites().Count(), size_t(1));
}

void SiteListEditorTest::addCopiesThePanelCheckedAndSelectedAtTheEnd()
{
    SitesFixture f(2);
    f.Edit(u"编辑框域名")->setText(Q(u" https://new.com/ "));
    f.Edit(u"编辑框用户")->setText(Q(u"boss"));
    f.Button(u"按钮添加")->click();
    QVERIFY(f.Messages().empty());
    QCOMPARE(f.Lines(), (QStringList{Q(u"s0.com(u0)+"), Q(u"s1.com(u1)-"), Q(u"new.com(boss)+")}));
    QCOMPARE(f.list->currentRow(), 2);
    QCOMPARE(f.Sites().sites[2].domain, std::string("new.com"));
    QVERIFY(f.Sites().sites[2].enabled);
    // The first site keeps its own settings.
    QCOMPARE(f.Sites().sites[0].user, std::string("u0"));
}

void SiteListEditorTest::duplicateQuestionLocatesOrStays_data()
{
    QTest::addColumn<bool>("locate");
    QTest::newRow("OK locates the first entry") << true;
    QTest::newRow("Cancel stays") << false;
}

void SiteListEditorTest::duplicateQuestionLocatesOrStays()
{
    QFETCH(bool, locate);
    SitesFixture f(3, 2);
    f.Edit(u"编辑框域名")->setText(Q(u"s0.com"));
    f.Edit(u"编辑框用户")->setText(Q(u"u0"));
    f.Edit(u"编辑框密码")->setText(Q(u"other"));
    kc::gui::hooks::PushAnswer(locate ? Answer::Ok : Answer::Cancel);
    f.Button(u"按钮添加")->click();
    const std::vector<kc::gui::MessageRequest> asked = kc::gui::hooks::TakeMessages();
    QCOMPARE(asked.size(), size_t(1));
    QCOMPARE(asked[0].text,
        Q(u"网站列表中已存在相同的‘域名(用户名)’：s0.com(u0)"
          u"\r\n\r\n请更改域名、用户名，或者点击‘确定’按钮定位相同项目"));
    QVERIFY(asked[0].buttons == kc::gui::Buttons::OkCancel);
    QCOMPARE(f.list->count(), 3);
    if (locate) {
        QCOMPARE(f.list->currentRow(), 0);
        QCOMPARE(f.Edit(u"编辑框密码")->text(), Q(u"p"));
    } else {
        QCOMPARE(f.list->currentRow(), 2);
        QCOMPARE(f.Edit(u"编辑框密码")->text(), Q(u"other"));
    }
    // The site that was shown keeps its settings either way.
    QCOMPARE(f.Sites().sites[2].domain, std::string("s2.com"));
}

void SiteListEditorTest::allowedDuplicatesAreAdded()
{
    SitesFixture f(1);
    Find<QCheckBox>(f.window.get(), u"选择框允许添加重复站点")->setChecked(true);
    f.Button(u"按钮添加")->click();
    QVERIFY(f.Messages().empty());
    QCOMPARE(f.Lines(), (QStringList{Q(u"s0.com(u0)+"), Q(u"s0.com(u0)+")}));
}

void SiteListEditorTest::modifyingASiteIsNoDuplicateOfItself()
{
    SitesFixture f(2);
    f.Edit(u"编辑框密码")->setText(Q(u"changed"));
    f.ClickLine(1);
    QVERIFY(f.Messages().empty());
    QCOMPARE(f.Sites().sites[0].password, std::string("changed"));
}

void SiteListEditorTest::selectionChangeCommitsTheEditedSite()
{
    SitesFixture f(3);
    f.Edit(u"编辑框用户")->setText(Q(u"renamed"));
    f.ClickLine(2);
    QCOMPARE(f.Sites().sites[0].user, std::string("renamed"));
    QCOMPARE(f.list->item(0)->text(), Q(u"s0.com(renamed)"));
    QCOMPARE(f.Edit(u"编辑框域名")->text(), Q(u"s2.com"));
    QVERIFY(f.window->SettingsDirty());

    // A changed window option counts as an edit: the site is committed again, unchanged.
    f.window->SettingsDirty() = false;
    Find<QLineEdit>(f.window.get(), u"编辑框同时站点数")->setText(Q(u"9"));
    f.ClickLine(1);
    QVERIFY(f.window->SettingsDirty());
    QCOMPARE(f.Sites().sites[2].domain, std::string("s2.com"));

    // Nothing changed: nothing is committed.
    f.window->SettingsDirty() = false;
    f.ClickLine(0);
    QVERIFY(!f.window->SettingsDirty());
}

void SiteListEditorTest::invalidEditKeepsTheUserOnTheSite()
{
    SitesFixture f(3);
    f.ClickLine(1);
    f.Edit(u"编辑框域名")->clear();
    f.ClickLine(2);
    QCOMPARE(f.Messages(), std::vector<QString>{Q(u"域名不能为空！")});
    QCOMPARE(f.list->currentRow(), 1);
    QCOMPARE(f.Edit(u"编辑框域名")->text(), QString());
    QCOMPARE(f.Sites().sites[1].domain, std::string("s1.com"));
    // The move buttons commit loudly too.
    f.Button(u"按钮下移")->click();
    QCOMPARE(f.Messages(), std::vector<QString>{Q(u"域名不能为空！")});
}

void SiteListEditorTest::shiftClickChecksTheRangeEitherWay_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("downwards") << 2 << 6;
    QTest::newRow("upwards") << 6 << 2;
}

void SiteListEditorTest::shiftClickChecksTheRangeEitherWay()
{
    QFETCH(int, first);
    QFETCH(int, second);
    SitesFixture f(8);
    f.ClickLine(first);
    f.ClickLine(second, Qt::ShiftModifier);
    for (int row = 0; row < 8; ++row) {
        const bool inRange = row >= 2 && row <= 6;
        const bool expected = inRange || row % 2 == 0;
        QCOMPARE(f.list->IsChecked(row), expected);
        QCOMPARE(f.Sites().sites[static_cast<size_t>(row)].enabled, expected);
        if (inRange)
            QVERIFY(f.StoredEnabled(row));
    }
    // A plain click checks nothing.
    f.Button(u"按钮不启")->click();
    f.ClickLine(1);
    f.ClickLine(5);
    QCOMPARE(f.Lines().filter(Q(u"+")).size(), 0);
}

void SiteListEditorTest::deleteSelectsTheLineThatTakesItsPlace()
{
    SitesFixture f(3, 1);
    f.Button(u"按钮删除")->click();
    QCOMPARE(f.Lines(), (QStringList{Q(u"s0.com(u0)+"), Q(u"s2.com(u2)+")}));
    QCOMPARE(f.list->currentRow(), 1);
    QCOMPARE(f.Edit(u"编辑框域名")->text(), Q(u"s2.com"));
    f.Button(u"按钮删除")->click();
    QCOMPARE(f.list->currentRow(), 0);
    QCOMPARE(f.Edit(u"编辑框域名")->text(), Q(u"s0.com"));
    f.Button(u"按钮删除")->click();
    QCOMPARE(f.list->count(), 0);
    QCOMPARE(f.list->currentRow(), -1);
    QCOMPARE(f.Sites().Count(), size_t(0));
    f.Button(u"按钮删除")->click();
    QCOMPARE(f.Messages(), std::vector<QString>{Q(u"请先选定一个站点配置再删除！")});
}

void SiteListEditorTest::clearAsksAndEmptiesTheList()
{
    SitesFixture f(3);
    kc::gui::hooks::PushAnswer(Answer::Cancel);
    f.Button(u"按钮清空")->click();
    QCOMPARE(f.list->count(), 3);
    kc::gui::hooks::PushAnswer(Answer::Ok);
    f.Button(u"按钮清空")->click();
    QCOMPARE(f.Messages(), (std::vector<QString>{Q(u"确实要清空所有站点配置吗？"), Q(u"确实要清空所有站点配置吗？")}));
    QCOMPARE(f.list->count(), 0);
    QCOMPARE(f.Sites().Count(), size_t(0));
    QCOMPARE(f.Edit(u"编辑框域名")->text(), Q(u"s0.com"));
    // The panel no longer belongs to a site: adding from it works, nothing is written into a removed record.
    f.Button(u"按钮添加")->click();
    QCOMPARE(f.Lines(), QStringList{Q(u"s0.com(u0)+")});
}

void SiteListEditorTest::moveExchangesWithTheNeighbour()
{
    SitesFixture f(3);
    f.Button(u"按钮上移")->click();
    QCOMPARE(f.Lines(), (QStringList{Q(u"s0.com(u0)+"), Q(u"s1.com(u1)-"), Q(u"s2.com(u2)+")}));
    f.Edit(u"编辑框密码")->setText(Q(u"moved"));
    f.Button(u"按钮下移")->click();
    QCOMPARE(f.Lines(), (QStringList{Q(u"s1.com(u1)-"), Q(u"s0.com(u0)+"), Q(u"s2.com(u2)+")}));
    QCOMPARE(f.list->currentRow(), 1);
    QCOMPARE(f.Sites().sites[1].password, std::string("moved"));
    // The panel still belongs to the moved site: its next edit goes there.
    f.Edit(u"编辑框密码")->setText(Q(u"again"));
    f.ClickLine(2);
    QCOMPARE(f.Sites().sites[1].password, std::string("again"));
    QCOMPARE(f.Sites().sites[0].password, std::string("p"));
    f.Button(u"按钮下移")->click();
    QCOMPARE(f.list->currentRow(), 2);
    QCOMPARE(f.Lines().back(), Q(u"s2.com(u2)+"));

    f.list->setCurrentRow(-1);
    f.Button(u"按钮上移")->click();
    f.Button(u"按钮下移")->click();
    QCOMPARE(
        f.Messages(), (std::vector<QString>{Q(u"请选中一个网站配置再向上移动"), Q(u"请选中一个网站配置再向下移动")}));
}

void SiteListEditorTest::enablingButtonsPersistEveryLine()
{
    SitesFixture f(3);
    f.Button(u"按钮反启")->click();
    QCOMPARE(f.Lines(), (QStringList{Q(u"s0.com(u0)-"), Q(u"s1.com(u1)+"), Q(u"s2.com(u2)-")}));
    QVERIFY(!f.StoredEnabled(0) && f.StoredEnabled(1) && !f.StoredEnabled(2));
    f.Button(u"按钮启用")->click();
    QVERIFY(f.StoredEnabled(0) && f.StoredEnabled(1) && f.StoredEnabled(2));
    f.Button(u"按钮不启")->click();
    QVERIFY(!f.Sites().sites[1].enabled && !f.StoredEnabled(1));
    // A single check mark is written at once too.
    f.list->item(2)->setCheckState(Qt::Checked);
    QVERIFY(f.StoredEnabled(2));
}

void SiteListEditorTest::checkMarksCannotChangeDuringARun()
{
    SitesFixture f(3);
    f.window->OnRunStarted();
    f.list->item(1)->setCheckState(Qt::Checked);
    QVERIFY(!f.list->IsChecked(1));
    f.window->ListEditor().SetAllEnabled(kc::gui::EnableMode::CheckAll);
    QVERIFY(!f.list->IsChecked(1));
    f.ClickLine(2);
    f.ClickLine(0, Qt::ShiftModifier);
    QVERIFY(!f.list->IsChecked(1));
}

void SiteListEditorTest::commitsDuringARunWaitForItsEnd()
{
    SitesFixture f(2);
    f.window->OnRunStarted();
    f.Edit(u"编辑框密码")->setText(Q(u"later"));
    f.ClickLine(1);
    QCOMPARE(f.Sites().sites[0].password, std::string("p"));
    f.ClickLine(0);
    QCOMPARE(f.Edit(u"编辑框密码")->text(), Q(u"later"));
    f.window->OnRunEnded({}, true);
    QCOMPARE(f.Sites().sites[0].password, std::string("later"));
}

void SiteListEditorTest::captionCountsTheSites()
{
    SitesFixture f(3);
    QCOMPARE(Find<QGroupBox>(f.window.get(), u"分组框网站列表")->title(),
        Q(u"EcShop网站列表(3)  单击A站点，按住Shift键再单击B站点，可以A到B连续打勾"));
}

void SiteListEditorTest::exportThenImportDoublesTheList()
{
    SitesFixture f(3);
    const QString file = QString::fromStdString((f.home.Dir() / "export.ini").string());
    kc::gui::hooks::PushDialogResult(file);
    f.Button(u"按钮导出")->click();
    QCOMPARE(
        f.Messages(), std::vector<QString>{Q(u"导出站点配置成功：") + file + Q(u"\r\n\r\n下次你可以重新导入进来！")});
    kc::gui::hooks::PushDialogResult(file);
    f.Button(u"按钮导入")->click();
    QVERIFY(f.Messages().empty());
    QCOMPARE(f.list->count(), 6);
    QCOMPARE(f.list->item(5)->text(), Q(u"s2.com(u2)"));
    QVERIFY(Find<QGroupBox>(f.window.get(), u"分组框网站列表")->title().startsWith(Q(u"EcShop网站列表(6)  ")));
    kc::gui::hooks::PushDialogResult(std::nullopt);
    f.Button(u"按钮导入")->click();
    QCOMPARE(f.list->count(), 6);
}

QTEST_MAIN(SiteListEditorTest)
#include "site_list_editor_test.moc"
