// The control-state walker: saves, restores, fingerprints and copies the states of a window's controls,
// each keyed by its name, whose leading word tells the control's kind.
#pragma once

#include <QStringList>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace kc::config {
class ConfigStore;
} // namespace kc::config

namespace kc::gui {

// The kinds the walker knows, by the word that begins a control's name.
enum class ControlKind {
    None,
    Button, // 按钮: its tag
    Edit, // 编辑框: its text
    CheckBox, // 选择框
    Radio, // 单选框
    Combo, // 组合框: the selected index, or the text of an editable one
    List, // 列表框: its items
    CheckList, // 选择列表框: its items with their check marks
    Tree, // 树型框: its whole item data
    FileDialog, // 通用对话框: the last file name
};

// The kind of a control: its name's leading word, when the control is of that kind; None otherwise.
ControlKind KindOf(const QWidget* control);

struct WalkOptions {
    QStringList excludedNames;
    // When given, only these names are visited and excludedNames is ignored.
    std::optional<QStringList> includedNames;
    // A control whose direct parent is one of these is skipped.
    std::vector<const QWidget*> excludedContainers;
    // When not empty, only controls whose direct parent is one of these are visited.
    std::vector<const QWidget*> includedContainers;
    // Also treat the items of combo boxes (key name + ".项目").
    bool comboItems = false;
};

// The controls a walk visits, in the window's control order (depth first, creation order).
std::vector<QWidget*> VisitedControls(QWidget* window, const WalkOptions& options);

// Writes every visited control's state into section (the current one when empty).
void SaveWindowState(QWidget* window, config::ConfigStore& store, std::string_view section, const WalkOptions& options);
// Sets every visited control from its key; a missing key leaves the control as it is.
void RestoreWindowState(
    QWidget* window, config::ConfigStore& store, std::string_view section, const WalkOptions& options);
// A text that changes whenever the state of a visited control changes.
std::string WindowFingerprint(QWidget* window, const WalkOptions& options);
// The states of the visited controls as one text (internal text), each followed by "┊*┊".
std::string WindowSnapshot(QWidget* window, const WalkOptions& options);
// Sets the visited controls, in order, from the values of a snapshot text, until the values run out.
void ApplyWindowSnapshot(QWidget* window, std::string_view snapshot, const WalkOptions& options);

// One control in the store's current section (controls tagged "禁止保存" are left alone).
void SaveControlState(QWidget* control, config::ConfigStore& store, bool comboItems = false);
void RestoreControlState(QWidget* control, config::ConfigStore& store, bool comboItems = false);

} // namespace kc::gui
