// The settings walker: which controls it visits, the keys and forms it writes, restores, fingerprints and
// snapshots.
#include "gui_test_support.h"

#include "config/item_list.h"
#include "gui/common/check_list_box.h"
#include "gui/common/control_tag.h"
#include "gui/common/file_dialog_control.h"
#include "gui/state/control_state.h"
#include "gui/state/tree_items.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using kc::test::In;
using kc::test::Q;

namespace {

// A window with one control of every kind in its own area, and a group box holding two more.
struct Form {
    QWidget window;
    QPushButton* button;
    QLineEdit* line;
    QPlainTextEdit* multi;
    QCheckBox* check;
    QRadioButton* radio;
    QComboBox* dropDown;
    QComboBox* editable;
    QListWidget* list;
    kc::gui::CheckListBox* checkList;
    QTreeWidget* tree;
    kc::gui::FileDialogControl* dialog;
    QGroupBox* group;
    QLineEdit* inGroup;
    QCheckBox* checkInGroup;

    Form()
    {
        auto* layout = new QVBoxLayout(&window);
        button = Add<QPushButton>(u"按钮列表");
        kc::gui::SetTag(button, Q(u"甲\r\n乙"));
        line = Add<QLineEdit>(u"编辑框单行");
        line->setText(Q(u"单行文字"));
        multi = Add<QPlainTextEdit>(u"编辑框多行");
        multi->setPlainText(Q(u"第一行\n第二行"));
        check = Add<QCheckBox>(u"选择框完成关机");
        check->setChecked(true);
        radio = Add<QRadioButton>(u"单选框先后独立");
        radio->setAutoExclusive(false);
        dropDown = Add<QComboBox>(u"组合框方式");
        dropDown->addItems({Q(u"一"), Q(u"二"), Q(u"三")});
        dropDown->setCurrentIndex(2);
        editable = Add<QComboBox>(u"组合框可写");
        editable->setEditable(true);
        editable->addItems({Q(u"红"), Q(u"绿")});
        editable->setEditText(Q(u"蓝色"));
        list = Add<QListWidget>(u"列表框项目");
        list->addItems({Q(u"苹果"), Q(u"香蕉")});
        checkList = Add<kc::gui::CheckListBox>(u"选择列表框计划");
        checkList->AddLine(Q(u"a"), false);
        checkList->AddLine(Q(u"b"), true);
        checkList->AddLine(Q(u"c"), false);
        tree = Add<QTreeWidget>(u"树型框");
        kc::gui::WriteTreeItems(tree,
            {{-1, In("资讯[3]"), 0, 0, 3, false, 1, true}, {0, In("行业[5]"), 0, 0, 5, true, 0, false},
                {-1, In("帮助[9]"), 1, 1, 9, false, 2, false}});
        dialog = new kc::gui::FileDialogControl(&window, Q(u"导出"), Q(u"*"), Q(u"ini"), true);
        dialog->setObjectName(Q(u"通用对话框导出"));
        dialog->SetFileName(Q(u"/tmp/站点.ini"));
        group = new QGroupBox(&window);
        group->setObjectName(Q(u"分组框网站列表"));
        auto* groupLayout = new QVBoxLayout(group);
        inGroup = new QLineEdit(Q(u"www.a.com"), group);
        inGroup->setObjectName(Q(u"编辑框域名"));
        checkInGroup = new QCheckBox(group);
        checkInGroup->setObjectName(Q(u"选择框https"));
        groupLayout->addWidget(inGroup);
        groupLayout->addWidget(checkInGroup);
        layout->addWidget(group);
    }

    template <class W> W* Add(const char16_t* name)
    {
        auto* widget = new W(&window);
        widget->setObjectName(Q(name));
        window.layout()->addWidget(widget);
        return widget;
    }

    // Changes every control away from what it holds now.
    void ChangeAll()
    {
        kc::gui::SetTag(button, Q(u"变"));
        line->setText(Q(u"变"));
        multi->setPlainText(Q(u"变"));
        check->setChecked(false);
        radio->setChecked(true);
        dropDown->setCurrentIndex(0);
        editable->setEditText(Q(u"变"));
        list->clear();
        checkList->clear();
        tree->clear();
        dialog->SetFileName(Q(u"变"));
        inGroup->setText(Q(u"变"));
    }
};

std::string Section()
{
    return In("基本配置");
}

} // namespace

class ControlStateTest : public QObject {
    Q_OBJECT

private slots:
    void savesEveryKindUnderItsKeyInItsForm_data();
    void savesEveryKindUnderItsKeyInItsForm();
    void skipsControlsTheOptionsOrTheirTagsLeaveOut_data();
    void skipsControlsTheOptionsOrTheirTagsLeaveOut();
    void restoreBringsBackWhatWasSavedAndKeepsWhatIsMissing();
    void byteValueTagKeepsTheValueOutOfTheSettingsFile();
    void fingerprintFollowsEveryChangeAndComesBack();
    void snapshotOfTheSettingsGroupsAppliesInOrder();
    void snapshotWithFewerValuesLeavesTheRest();
    void comboItemsAreKeptWhenAskedFor();
};

void ControlStateTest::savesEveryKindUnderItsKeyInItsForm_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::newRow("button tag") << Q(u"按钮列表.标记") << Q(u"甲┊*┊乙");
    QTest::newRow("line edit") << Q(u"编辑框单行") << Q(u"单行文字");
    QTest::newRow("multi-line edit keeps its line break") << Q(u"编辑框多行") << Q(u"第一行┊*┊第二行");
    QTest::newRow("check box") << Q(u"选择框完成关机") << Q(u"真");
    QTest::newRow("radio button") << Q(u"单选框先后独立") << Q(u"假");
    QTest::newRow("drop-down combo index") << Q(u"组合框方式") << Q(u"2");
    QTest::newRow("editable combo text") << Q(u"组合框可写.内容") << Q(u"蓝色");
    QTest::newRow("list box items") << Q(u"列表框项目") << Q(u"苹果{G}0{H}香蕉{G}0");
    QTest::newRow("check-list box with marks") << Q(u"选择列表框计划") << Q(u"a{G}0{G}假{H}b{G}0{G}真{H}c{G}0{G}假");
    QTest::newRow("file dialog") << Q(u"通用对话框导出") << Q(u"/tmp/站点.ini");
}

void ControlStateTest::savesEveryKindUnderItsKeyInItsForm()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    kc::test::GuiHome home;
    Form form;
    kc::gui::SaveWindowState(&form.window, home.Store(), Section(), {});
    QCOMPARE(kc::gui::ToQString(home.Store().GetValue(Section(), kc::gui::FromQString(key), "<none>")), stored);
}

void ControlStateTest::skipsControlsTheOptionsOrTheirTagsLeaveOut_data()
{
    QTest::addColumn<QString>("case_");
    QTest::addColumn<QString>("missingKey");
    QTest::addColumn<QString>("presentKey");
    QTest::newRow("excluded container") << Q(u"container") << Q(u"编辑框域名") << Q(u"编辑框单行");
    QTest::newRow("no-save tag") << Q(u"tag") << Q(u"编辑框单行") << Q(u"编辑框多行");
    QTest::newRow("excluded name") << Q(u"excluded") << Q(u"选择框完成关机") << Q(u"编辑框单行");
    QTest::newRow("included names only") << Q(u"included") << Q(u"编辑框单行") << Q(u"选择框完成关机");
    QTest::newRow("included container only") << Q(u"in-container") << Q(u"编辑框单行") << Q(u"编辑框域名");
    QTest::newRow("name says check box, class is a label") << Q(u"kind") << Q(u"选择框假装") << Q(u"编辑框单行");
    QTest::newRow("check-list box is not a check box") << Q(u"checklist") << Q(u"选择框https") << Q(u"选择列表框计划");
}

void ControlStateTest::skipsControlsTheOptionsOrTheirTagsLeaveOut()
{
    QFETCH(QString, case_);
    QFETCH(QString, missingKey);
    QFETCH(QString, presentKey);
    kc::test::GuiHome home;
    Form form;
    kc::gui::WalkOptions options;
    if (case_ == Q(u"container"))
        options.excludedContainers = {form.group};
    if (case_ == Q(u"tag"))
        kc::gui::SetTag(form.line, kc::gui::NoSaveTag());
    if (case_ == Q(u"excluded"))
        options.excludedNames = {Q(u"选择框完成关机")};
    if (case_ == Q(u"included"))
        options.includedNames = QStringList{Q(u"选择框完成关机")};
    if (case_ == Q(u"in-container"))
        options.includedContainers = {form.group};
    if (case_ == Q(u"kind")) {
        auto* label = new QLabel(&form.window);
        label->setObjectName(Q(u"选择框假装"));
    }
    if (case_ == Q(u"checklist")) {
        // The check box in the group is renamed into a check-list name: the kind no longer matches.
        form.checkInGroup->setObjectName(Q(u"选择列表框https"));
    }
    kc::gui::SaveWindowState(&form.window, home.Store(), Section(), options);
    QCOMPARE(home.Store().GetValue(Section(), kc::gui::FromQString(missingKey), "<none>"), std::string("<none>"));
    QVERIFY(home.Store().GetValue(Section(), kc::gui::FromQString(presentKey), "<none>") != "<none>");
}

void ControlStateTest::restoreBringsBackWhatWasSavedAndKeepsWhatIsMissing()
{
    kc::test::GuiHome home;
    Form form;
    const std::string before = kc::gui::WindowSnapshot(&form.window, {});
    kc::gui::SaveWindowState(&form.window, home.Store(), Section(), {});
    const std::string imageAfterSave = home.Store().Image();
    form.ChangeAll();
    kc::gui::RestoreWindowState(&form.window, home.Store(), Section(), {});
    QCOMPARE(kc::gui::WindowSnapshot(&form.window, {}), before);
    QVERIFY(form.checkList->IsChecked(1) && !form.checkList->IsChecked(0));
    QCOMPARE(kc::gui::TreeItemCheck(kc::gui::TreeItemAt(form.tree, 2)), kc::gui::kTreeLocked);
    // Restoring reads only.
    QCOMPARE(home.Store().Image(), imageAfterSave);

    // A section without the keys leaves every control as it is.
    form.ChangeAll();
    const std::string changed = kc::gui::WindowSnapshot(&form.window, {});
    kc::gui::RestoreWindowState(&form.window, home.Store(), In("别的窗口"), {});
    QCOMPARE(kc::gui::WindowSnapshot(&form.window, {}), changed);
}

void ControlStateTest::byteValueTagKeepsTheValueOutOfTheSettingsFile()
{
    kc::test::GuiHome home;
    Form form;
    kc::gui::SetTag(form.line, kc::gui::ByteValueTag());
    kc::gui::SaveWindowState(&form.window, home.Store(), Section(), {});
    QCOMPARE(home.Store().GetValue(Section(), In("编辑框单行"), "<none>"), std::string("<none>"));
    home.Store().SelectSection(Section());
    QCOMPARE(home.Store().ReadBytes(In("编辑框单行")), In("单行文字"));
    form.line->clear();
    kc::gui::RestoreWindowState(&form.window, home.Store(), Section(), {});
    QCOMPARE(form.line->text(), Q(u"单行文字"));
}

void ControlStateTest::fingerprintFollowsEveryChangeAndComesBack()
{
    Form form;
    const std::string original = kc::gui::WindowFingerprint(&form.window, {});
    QVERIFY(!original.empty());
    form.check->setChecked(false);
    const std::string toggled = kc::gui::WindowFingerprint(&form.window, {});
    QVERIFY(toggled != original);
    form.check->setChecked(true);
    QCOMPARE(kc::gui::WindowFingerprint(&form.window, {}), original);

    // Text moved from one box into the empty box after it is a change, too.
    form.line->setText(Q(u"x"));
    form.multi->clear();
    const std::string first = kc::gui::WindowFingerprint(&form.window, {});
    form.line->clear();
    form.multi->setPlainText(Q(u"x"));
    QVERIFY(kc::gui::WindowFingerprint(&form.window, {}) != first);

    // The tag "禁止保存" keeps a control out of the fingerprint.
    kc::gui::SetTag(form.check, kc::gui::NoSaveTag());
    const std::string withoutCheck = kc::gui::WindowFingerprint(&form.window, {});
    form.check->setChecked(false);
    QCOMPARE(kc::gui::WindowFingerprint(&form.window, {}), withoutCheck);
}

void ControlStateTest::snapshotOfTheSettingsGroupsAppliesInOrder()
{
    Form form;
    auto* tree = new QTreeWidget(form.group);
    tree->setObjectName(Q(u"树型框"));
    kc::gui::WriteTreeItems(tree, {{-1, In("甲[1]"), 0, 0, 1, false, 1, false}});
    kc::gui::WalkOptions options;
    options.includedContainers = {form.group};
    options.excludedNames = {Q(u"树型框")};
    const std::string snapshot = kc::gui::WindowSnapshot(&form.window, options);
    QCOMPARE(snapshot, In("www.a.com┊*┊假┊*┊"));

    form.inGroup->setText(Q(u"www.b.com"));
    form.checkInGroup->setChecked(true);
    form.line->setText(Q(u"outside"));
    tree->clear();
    kc::gui::ApplyWindowSnapshot(&form.window, snapshot, options);
    QCOMPARE(form.inGroup->text(), Q(u"www.a.com"));
    QVERIFY(!form.checkInGroup->isChecked());
    QCOMPARE(form.line->text(), Q(u"outside"));
    QCOMPARE(tree->topLevelItemCount(), 0);
}

void ControlStateTest::snapshotWithFewerValuesLeavesTheRest()
{
    Form form;
    kc::gui::WalkOptions options;
    options.includedContainers = {form.group};
    form.checkInGroup->setChecked(true);
    kc::gui::ApplyWindowSnapshot(&form.window, In("www.c.com┊*┊"), options);
    QCOMPARE(form.inGroup->text(), Q(u"www.c.com"));
    QVERIFY(form.checkInGroup->isChecked());
    kc::gui::ApplyWindowSnapshot(&form.window, {}, options);
    QCOMPARE(form.inGroup->text(), Q(u"www.c.com"));
}

void ControlStateTest::comboItemsAreKeptWhenAskedFor()
{
    kc::test::GuiHome home;
    Form form;
    kc::gui::WalkOptions options;
    options.comboItems = true;
    options.includedNames = QStringList{Q(u"组合框方式")};
    kc::gui::SaveWindowState(&form.window, home.Store(), Section(), options);
    QCOMPARE(home.Store().GetValue(Section(), In("组合框方式.项目")), In("一{G}0{H}二{G}0{H}三{G}0"));
    const std::string snapshot = kc::gui::WindowSnapshot(&form.window, options);
    QCOMPARE(snapshot, In("2┊*┊一{G}0{H}二{G}0{H}三{G}0┊*┊"));

    form.dropDown->clear();
    kc::gui::RestoreWindowState(&form.window, home.Store(), Section(), options);
    QCOMPARE(form.dropDown->count(), 3);
    QCOMPARE(form.dropDown->currentIndex(), 2);
    form.dropDown->clear();
    kc::gui::ApplyWindowSnapshot(&form.window, snapshot, options);
    QCOMPARE(form.dropDown->count(), 3);
    QCOMPARE(form.dropDown->currentIndex(), 2);
}

QTEST_MAIN(ControlStateTest)
#include "control_state_test.moc"
