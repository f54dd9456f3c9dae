// The walk over a window's controls and what each mode does with one control of each kind.
#include "gui/state/control_state.h"

#include "config/config_store.h"
#include "config/item_list.h"
#include "config/state_fingerprint.h"
#include "gui/common/check_list_box.h"
#include "gui/common/control_tag.h"
#include "gui/common/file_dialog_control.h"
#include "gui/common/qt_text.h"
#include "gui/state/tree_items.h"
#include "text/literal.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>

namespace kc::gui {
namespace {

struct KindWord {
    const char16_t* word;
    ControlKind kind;
};

// Longer words first where one could begin another.
constexpr KindWord kKindWords[] = {
    {u"选择列表框", ControlKind::CheckList},
    {u"通用对话框", ControlKind::FileDialog},
    {u"编辑框", ControlKind::Edit},
    {u"选择框", ControlKind::CheckBox},
    {u"单选框", ControlKind::Radio},
    {u"组合框", ControlKind::Combo},
    {u"列表框", ControlKind::List},
    {u"树型框", ControlKind::Tree},
    {u"按钮", ControlKind::Button},
};

ControlKind KindByName(const QString& name)
{
    for (const KindWord& word : kKindWords) {
        if (name.startsWith(QString::fromUtf16(word.word)))
            return word.kind;
    }
    return ControlKind::None;
}

bool IsOfKind(const QWidget* control, ControlKind kind)
{
    switch (kind) {
    case ControlKind::None:
        return false;
    case ControlKind::Button:
        return qobject_cast<const QAbstractButton*>(control) && !qobject_cast<const QCheckBox*>(control)
            && !qobject_cast<const QRadioButton*>(control);
    case ControlKind::Edit:
        return qobject_cast<const QLineEdit*>(control) || qobject_cast<const QPlainTextEdit*>(control)
            || qobject_cast<const QTextEdit*>(control);
    case ControlKind::CheckBox:
        return qobject_cast<const QCheckBox*>(control) != nullptr;
    case ControlKind::Radio:
        return qobject_cast<const QRadioButton*>(control) != nullptr;
    case ControlKind::Combo:
        return qobject_cast<const QComboBox*>(control) != nullptr;
    case ControlKind::List:
        return qobject_cast<const QListWidget*>(control) && !qobject_cast<const CheckListBox*>(control);
    case ControlKind::CheckList:
        return qobject_cast<const CheckListBox*>(control) != nullptr;
    case ControlKind::Tree:
        return qobject_cast<const QTreeWidget*>(control) != nullptr;
    case ControlKind::FileDialog:
        return qobject_cast<const FileDialogControl*>(control) != nullptr;
    }
    return false;
}

bool Contains(const std::vector<const QWidget*>& containers, const QWidget* parent)
{
    return std::find(containers.begin(), containers.end(), parent) != containers.end();
}

bool PassesFilters(const QWidget* control, const WalkOptions& options)
{
    const QString name = control->objectName();
    if (name.isEmpty())
        return false;
    if (options.includedNames) {
        if (!options.includedNames->contains(name))
            return false;
    } else if (options.excludedNames.contains(name)) {
        return false;
    }
    if (KindOf(control) == ControlKind::None)
        return false;
    if (Tag(control) == NoSaveTag())
        return false;
    const QWidget* parent = control->parentWidget();
    if (Contains(options.excludedContainers, parent))
        return false;
    if (!options.includedContainers.empty() && !Contains(options.includedContainers, parent))
        return false;
    return true;
}

void Collect(QWidget* widget, const WalkOptions& options, std::vector<QWidget*>& visited)
{
    for (QObject* child : widget->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || control->isWindow())
            continue;
        if (PassesFilters(control, options)) {
            visited.push_back(control);
            continue; // a control's own parts are not controls of the window
        }
        if (KindOf(control) == ControlKind::None)
            Collect(control, options, visited);
    }
}

// Edit boxes.
bool IsMultiLine(const QWidget* control)
{
    return qobject_cast<const QLineEdit*>(control) == nullptr;
}

QString EditText(const QWidget* control)
{
    if (auto* line = qobject_cast<const QLineEdit*>(control))
        return line->text();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return plain->toPlainText();
    return qobject_cast<const QTextEdit*>(control)->toPlainText();
}

void SetEditText(QWidget* control, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(control))
        line->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(text);
    else
        qobject_cast<QTextEdit*>(control)->setPlainText(text);
}

std::string EditInternal(const QWidget* control)
{
    return IsMultiLine(control) ? FromQStringLines(EditText(control)) : FromQString(EditText(control));
}

void SetEditInternal(QWidget* control, std::string_view text)
{
    SetEditText(control, IsMultiLine(control) ? ToQStringLines(text) : ToQString(text));
}

// Item lists.
constexpr int kItemValueRole = Qt::UserRole;

std::vector<config::ListItem> ComboItems(const QComboBox* combo)
{
    std::vector<config::ListItem> items;
    for (int i = 0; i < combo->count(); ++i)
        items.push_back({FromQString(combo->itemText(i)), combo->itemData(i, kItemValueRole).toLongLong(), false});
    return items;
}

void SetComboItems(QComboBox* combo, const std::vector<config::ListItem>& items)
{
    const QSignalBlocker blocker(combo);
    const QString text = combo->currentText();
    combo->clear();
    for (const config::ListItem& item : items)
        combo->addItem(ToQString(item.text), static_cast<qlonglong>(item.value));
    if (combo->isEditable())
        combo->setEditText(text);
}

std::vector<config::ListItem> ListItems(const QListWidget* list, bool withChecks)
{
    std::vector<config::ListItem> items;
    items.reserve(static_cast<size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        items.push_back({FromQString(item->text()), item->data(kItemValueRole).toLongLong(),
            withChecks && item->checkState() == Qt::Checked});
    }
    return items;
}

void SetListItems(QListWidget* list, const std::vector<config::ListItem>& items)
{
    list->clear();
    if (auto* checkList = qobject_cast<CheckListBox*>(list)) {
        for (const config::ListItem& item : items)
            checkList->AddLine(ToQString(item.text), item.checked, item.value);
        return;
    }
    for (const config::ListItem& item : items) {
        auto* line = new QListWidgetItem(ToQString(item.text), list);
        line->setData(kItemValueRole, static_cast<qlonglong>(item.value));
    }
}

const std::string& MarkSuffix()
{
    return KC_TEXT(".标记");
}
const std::string& ContentSuffix()
{
    return KC_TEXT(".内容");
}
const std::string& ItemsSuffix()
{
    return KC_TEXT(".项目");
}
const std::string& TreeSuffix()
{
    return KC_TEXT(".列表");
}

std::string BoolText(bool value)
{
    return std::string(value ? config::kTrueText : config::kFalseText);
}

// The value of a control in the snapshot's form (internal text).
std::string SnapshotValue(QWidget* control)
{
    switch (KindOf(control)) {
    case ControlKind::Button:
        return FromQString(Tag(control));
    case ControlKind::Edit:
        return EditInternal(control);
    case ControlKind::CheckBox:
    case ControlKind::Radio:
        return BoolText(qobject_cast<QAbstractButton*>(control)->isChecked());
    case ControlKind::Combo: {
        auto* combo = qobject_cast<QComboBox*>(control);
        return combo->isEditable() ? FromQString(combo->currentText()) : std::to_string(combo->currentIndex());
    }
    case ControlKind::List:
        return config::JoinListItems(ListItems(qobject_cast<QListWidget*>(control), false));
    case ControlKind::CheckList:
        return config::JoinCheckListItems(ListItems(qobject_cast<QListWidget*>(control), true));
    case ControlKind::Tree:
        return config::JoinTreeItems(ReadTreeItems(qobject_cast<QTreeWidget*>(control)));
    case ControlKind::FileDialog:
        return FromQString(qobject_cast<FileDialogControl*>(control)->FileName());
    case ControlKind::None:
        break;
    }
    return {};
}

void ApplyValue(QWidget* control, std::string_view value)
{
    switch (KindOf(control)) {
    case ControlKind::Button:
        SetTag(control, ToQString(value));
        break;
    case ControlKind::Edit:
        SetEditInternal(control, value);
        break;
    case ControlKind::CheckBox:
    case ControlKind::Radio:
        qobject_cast<QAbstractButton*>(control)->setChecked(value == config::kTrueText);
        break;
    case ControlKind::Combo: {
        auto* combo = qobject_cast<QComboBox*>(control);
        if (combo->isEditable())
            combo->setEditText(ToQString(value));
        else
            combo->setCurrentIndex(static_cast<int>(config::TextToInt(value)));
        break;
    }
    case ControlKind::List:
        SetListItems(qobject_cast<QListWidget*>(control), config::SplitListItems(value));
        break;
    case ControlKind::CheckList:
        SetListItems(qobject_cast<QListWidget*>(control), config::SplitCheckListItems(value));
        break;
    case ControlKind::Tree:
        WriteTreeItems(qobject_cast<QTreeWidget*>(control), config::SplitTreeItems(value));
        break;
    case ControlKind::FileDialog:
        qobject_cast<FileDialogControl*>(control)->SetFileName(ToQString(value));
        break;
    case ControlKind::None:
        break;
    }
}

// A stable serialisation of the state for the fingerprint. Every state carries its kind letter, so an
// empty control still counts: otherwise text moved from one empty box into the next would go unnoticed.
QString FingerprintState(QWidget* control)
{
    QString state;
    switch (KindOf(control)) {
    case ControlKind::Button:
        state = QStringLiteral("B") + Tag(control);
        break;
    case ControlKind::Edit:
        state = QStringLiteral("E") + EditText(control);
        break;
    case ControlKind::CheckBox:
    case ControlKind::Radio:
        state = qobject_cast<QAbstractButton*>(control)->isChecked() ? QStringLiteral("C1") : QStringLiteral("C0");
        break;
    case ControlKind::Combo: {
        auto* combo = qobject_cast<QComboBox*>(control);
        state = QStringLiteral("K") + QString::number(combo->currentIndex()) + QLatin1Char('|') + combo->currentText();
        for (int i = 0; i < combo->count(); ++i)
            state += QLatin1Char('\n') + combo->itemText(i);
        break;
    }
    case ControlKind::List:
    case ControlKind::CheckList: {
        auto* list = qobject_cast<QListWidget*>(control);
        state = QStringLiteral("L");
        state.reserve(list->count() * 24);
        for (int i = 0; i < list->count(); ++i) {
            const QListWidgetItem* item = list->item(i);
            state += QLatin1Char('\n');
            state += item->checkState() == Qt::Checked ? QLatin1Char('1') : QLatin1Char('0');
            state += QString::number(item->data(kItemValueRole).toLongLong());
            state += QLatin1Char('|');
            state += item->text();
        }
        break;
    }
    case ControlKind::Tree:
        state = QStringLiteral("T")
            + ToQString(config::JoinTreeItems(ReadTreeItems(qobject_cast<QTreeWidget*>(control))));
        break;
    case ControlKind::FileDialog:
        state = QStringLiteral("F") + qobject_cast<FileDialogControl*>(control)->FileName();
        break;
    case ControlKind::None:
        break;
    }
    return state;
}

void SaveOne(QWidget* control, config::ConfigStore& store, bool comboItems)
{
    const std::string name = FromQString(control->objectName());
    switch (KindOf(control)) {
    case ControlKind::Button: {
        const std::string tag = FromQString(Tag(control));
        if (Tag(control) == ByteValueTag())
            store.WriteBytes(name + MarkSuffix(), tag);
        else
            store.WriteText(name + MarkSuffix(), tag);
        break;
    }
    case ControlKind::Edit:
        if (Tag(control) == ByteValueTag())
            store.WriteBytes(name, EditInternal(control));
        else
            store.WriteText(name, EditInternal(control));
        break;
    case ControlKind::CheckBox:
    case ControlKind::Radio:
        store.WriteBool(name, qobject_cast<QAbstractButton*>(control)->isChecked());
        break;
    case ControlKind::Combo: {
        auto* combo = qobject_cast<QComboBox*>(control);
        if (combo->isEditable())
            store.WriteText(name + ContentSuffix(), FromQString(combo->currentText()));
        else
            store.WriteNumber(name, combo->currentIndex());
        if (comboItems)
            store.WriteText(name + ItemsSuffix(), config::JoinListItems(ComboItems(combo)));
        break;
    }
    case ControlKind::List:
    case ControlKind::CheckList:
    case ControlKind::FileDialog:
        store.WriteText(name, SnapshotValue(control));
        break;
    case ControlKind::Tree:
        store.WriteBytes(name + TreeSuffix(), SnapshotValue(control));
        break;
    case ControlKind::None:
        break;
    }
}

void RestoreOne(QWidget* control, config::ConfigStore& store, bool comboItems)
{
    const std::string name = FromQString(control->objectName());
    switch (KindOf(control)) {
    case ControlKind::Button: {
        const std::string current = FromQString(Tag(control));
        const bool bytes = Tag(control) == ByteValueTag();
        SetTag(control,
            ToQString(
                bytes ? store.ReadBytes(name + MarkSuffix(), current) : store.ReadText(name + MarkSuffix(), current)));
        break;
    }
    case ControlKind::Edit: {
        const std::string current = EditInternal(control);
        SetEditInternal(
            control, Tag(control) == ByteValueTag() ? store.ReadBytes(name, current) : store.ReadText(name, current));
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::Radio: {
        auto* button = qobject_cast<QAbstractButton*>(control);
        button->setChecked(store.ReadBool(name, button->isChecked()));
        break;
    }
    case ControlKind::Combo: {
        auto* combo = qobject_cast<QComboBox*>(control);
        if (comboItems) {
            const std::string current = config::JoinListItems(ComboItems(combo));
            const std::string items = store.ReadText(name + ItemsSuffix(), current);
            if (items != current)
                SetComboItems(combo, config::SplitListItems(items));
        }
        if (combo->isEditable())
            combo->setEditText(ToQString(store.ReadText(name + ContentSuffix(), FromQString(combo->currentText()))));
        else
            combo->setCurrentIndex(static_cast<int>(store.ReadNumber(name, combo->currentIndex())));
        break;
    }
    case ControlKind::List:
    case ControlKind::CheckList:
    case ControlKind::FileDialog: {
        const std::string current = SnapshotValue(control);
        const std::string stored = store.ReadText(name, current);
        if (stored != current)
            ApplyValue(control, stored);
        break;
    }
    case ControlKind::Tree: {
        const std::string current = SnapshotValue(control);
        const std::string stored = store.ReadBytes(name + TreeSuffix(), current);
        if (stored != current)
            ApplyValue(control, stored);
        break;
    }
    case ControlKind::None:
        break;
    }
}

} // namespace

ControlKind KindOf(const QWidget* control)
{
    const ControlKind kind = KindByName(control->objectName());
    return IsOfKind(control, kind) ? kind : ControlKind::None;
}

std::vector<QWidget*> VisitedControls(QWidget* window, const WalkOptions& options)
{
    std::vector<QWidget*> visited;
    Collect(window, options, visited);
    return visited;
}

void SaveWindowState(QWidget* window, config::ConfigStore& store, std::string_view section, const WalkOptions& options)
{
    if (!section.empty())
        store.SelectSection(section);
    for (QWidget* control : VisitedControls(window, options))
        SaveOne(control, store, options.comboItems);
}

void RestoreWindowState(
    QWidget* window, config::ConfigStore& store, std::string_view section, const WalkOptions& options)
{
    if (!section.empty())
        store.SelectSection(section);
    for (QWidget* control : VisitedControls(window, options))
        RestoreOne(control, store, options.comboItems);
}

std::string WindowFingerprint(QWidget* window, const WalkOptions& options)
{
    config::StateFingerprint fingerprint;
    for (QWidget* control : VisitedControls(window, options)) {
        const QString state = FingerprintState(control);
        fingerprint.Add(std::string_view(
            reinterpret_cast<const char*>(state.utf16()), static_cast<size_t>(state.size()) * sizeof(char16_t)));
    }
    return fingerprint.Result();
}

std::string WindowSnapshot(QWidget* window, const WalkOptions& options)
{
    std::string snapshot;
    for (QWidget* control : VisitedControls(window, options)) {
        snapshot += SnapshotValue(control);
        snapshot += config::kLineBreakMark;
        if (options.comboItems && KindOf(control) == ControlKind::Combo) {
            snapshot += config::JoinListItems(ComboItems(qobject_cast<QComboBox*>(control)));
            snapshot += config::kLineBreakMark;
        }
    }
    return snapshot;
}

void ApplyWindowSnapshot(QWidget* window, std::string_view snapshot, const WalkOptions& options)
{
    const std::vector<std::string_view> values = config::SplitText(snapshot, config::kLineBreakMark);
    size_t next = 0;
    for (QWidget* control : VisitedControls(window, options)) {
        if (next >= values.size())
            return;
        const std::string_view value = values[next++];
        if (options.comboItems && KindOf(control) == ControlKind::Combo) {
            if (next >= values.size()) {
                ApplyValue(control, value);
                return;
            }
            SetComboItems(qobject_cast<QComboBox*>(control), config::SplitListItems(values[next++]));
        }
        ApplyValue(control, value);
    }
}

void SaveControlState(QWidget* control, config::ConfigStore& store, bool comboItems)
{
    if (KindOf(control) != ControlKind::None && Tag(control) != NoSaveTag())
        SaveOne(control, store, comboItems);
}

void RestoreControlState(QWidget* control, config::ConfigStore& store, bool comboItems)
{
    if (KindOf(control) != ControlKind::None && Tag(control) != NoSaveTag())
        RestoreOne(control, store, comboItems);
}

} // namespace kc::gui
