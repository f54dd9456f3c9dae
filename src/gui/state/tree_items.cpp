// Item values, images and check states live in item data roles; the index order is depth first.
#include "gui/state/tree_items.h"

#include "gui/common/qt_text.h"

#include <QTreeWidget>

#include <functional>

namespace kc::gui {
namespace {

constexpr int kValueRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kSelectedImageRole = Qt::UserRole + 2;

void ForEachItem(const QTreeWidget* tree, const std::function<bool(QTreeWidgetItem*, int parentIndex)>& visit)
{
    int index = 0;
    std::function<bool(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int parentIndex) {
        const int own = index++;
        if (!visit(item, parentIndex))
            return false;
        for (int i = 0; i < item->childCount(); ++i) {
            if (!walk(item->child(i), own))
                return false;
        }
        return true;
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (!walk(tree->topLevelItem(i), -1))
            return;
    }
}

} // namespace

std::vector<config::TreeItem> ReadTreeItems(const QTreeWidget* tree)
{
    std::vector<config::TreeItem> items;
    ForEachItem(tree, [&](QTreeWidgetItem* item, int parentIndex) {
        config::TreeItem record;
        record.parent = parentIndex;
        record.text = FromQString(item->text(0));
        record.image = item->data(0, kImageRole).toLongLong();
        record.selectedImage = item->data(0, kSelectedImageRole).toLongLong();
        record.value = TreeItemValue(item);
        record.bold = item->font(0).bold();
        record.checkState = TreeItemCheck(item);
        record.expanded = item->isExpanded();
        items.push_back(std::move(record));
        return true;
    });
    return items;
}

void WriteTreeItems(QTreeWidget* tree, const std::vector<config::TreeItem>& items)
{
    tree->setUpdatesEnabled(false);
    tree->clear();
    std::vector<QTreeWidgetItem*> made;
    made.reserve(items.size());
    std::vector<bool> expanded;
    for (const config::TreeItem& record : items) {
        const int64_t own = static_cast<int64_t>(made.size());
        QTreeWidgetItem* item = nullptr;
        if (record.parent >= 0 && record.parent < own)
            item = new QTreeWidgetItem(made[static_cast<size_t>(record.parent)]);
        else
            item = new QTreeWidgetItem(tree);
        item->setText(0, ToQString(record.text));
        item->setData(0, kValueRole, static_cast<qlonglong>(record.value));
        item->setData(0, kImageRole, static_cast<qlonglong>(record.image));
        item->setData(0, kSelectedImageRole, static_cast<qlonglong>(record.selectedImage));
        if (record.bold) {
            QFont font = item->font(0);
            font.setBold(true);
            item->setFont(0, font);
        }
        SetTreeItemCheck(item, record.checkState);
        made.push_back(item);
        expanded.push_back(record.expanded);
    }
    // Expanding needs the item inside the tree with its children in place.
    for (size_t i = 0; i < made.size(); ++i)
        made[i]->setExpanded(expanded[i]);
    tree->setUpdatesEnabled(true);
}

QTreeWidgetItem* TreeItemAt(const QTreeWidget* tree, int index)
{
    QTreeWidgetItem* found = nullptr;
    if (index < 0)
        return nullptr;
    int position = 0;
    ForEachItem(tree, [&](QTreeWidgetItem* item, int) {
        if (position++ == index) {
            found = item;
            return false;
        }
        return true;
    });
    return found;
}

int SelectedTreeIndex(const QTreeWidget* tree)
{
    const QTreeWidgetItem* current = tree->currentItem();
    if (!current)
        return -1;
    int position = 0;
    int found = -1;
    ForEachItem(tree, [&](QTreeWidgetItem* item, int) {
        if (item == current) {
            found = position;
            return false;
        }
        ++position;
        return true;
    });
    return found;
}

void SelectTreeIndex(QTreeWidget* tree, int index)
{
    if (QTreeWidgetItem* item = TreeItemAt(tree, index))
        tree->setCurrentItem(item);
    else
        tree->setCurrentItem(nullptr);
}

int64_t TreeItemValue(const QTreeWidgetItem* item)
{
    return item->data(0, kValueRole).toLongLong();
}

int64_t TreeItemCheck(const QTreeWidgetItem* item)
{
    if (!(item->flags() & Qt::ItemIsUserCheckable) && item->checkState(0) == Qt::PartiallyChecked)
        return kTreeLocked;
    return item->checkState(0) == Qt::Checked ? kTreeChecked : kTreeUnchecked;
}

void SetTreeItemCheck(QTreeWidgetItem* item, int64_t check)
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (check == kTreeLocked) {
        item->setFlags(flags);
        item->setCheckState(0, Qt::PartiallyChecked);
        return;
    }
    item->setFlags(flags | Qt::ItemIsUserCheckable);
    item->setCheckState(0, check == kTreeChecked ? Qt::Checked : Qt::Unchecked);
}

int64_t TreeItemImage(const QTreeWidgetItem* item)
{
    return item->data(0, kImageRole).toLongLong();
}

std::vector<int64_t> CheckedTreeValues(const QTreeWidget* tree)
{
    std::vector<int64_t> values;
    ForEachItem(tree, [&](QTreeWidgetItem* item, int) {
        if (TreeItemCheck(item) == kTreeChecked)
            values.push_back(TreeItemValue(item));
        return true;
    });
    return values;
}

} // namespace kc::gui
