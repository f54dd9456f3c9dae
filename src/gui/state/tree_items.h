// The items of a tree view with check boxes as the list of records the settings forms keep.
#pragma once

#include "config/item_list.h"

#include <cstdint>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace kc::gui {

// Check states of tree items: 0 unchecked, 1 checked, 2 locked (shown half-checked, not user-checkable).
inline constexpr int64_t kTreeUnchecked = 0;
inline constexpr int64_t kTreeChecked = 1;
inline constexpr int64_t kTreeLocked = 2;

// Items in index order (depth first, as the tree shows them); a top-level item's parent is -1.
std::vector<config::TreeItem> ReadTreeItems(const QTreeWidget* tree);
// Replaces the tree's items. A parent that is negative or not an earlier item makes a top-level item.
void WriteTreeItems(QTreeWidget* tree, const std::vector<config::TreeItem>& items);

// The item at an index of the depth-first order, or null.
QTreeWidgetItem* TreeItemAt(const QTreeWidget* tree, int index);
// The index of the current item, -1 when none.
int SelectedTreeIndex(const QTreeWidget* tree);
void SelectTreeIndex(QTreeWidget* tree, int index);

int64_t TreeItemValue(const QTreeWidgetItem* item);
int64_t TreeItemCheck(const QTreeWidgetItem* item);
void SetTreeItemCheck(QTreeWidgetItem* item, int64_t check);
int64_t TreeItemImage(const QTreeWidgetItem* item);

// The values of the checked items (state 1), in index order.
std::vector<int64_t> CheckedTreeValues(const QTreeWidget* tree);

} // namespace kc::gui
