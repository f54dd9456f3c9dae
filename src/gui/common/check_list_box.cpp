// Check marks, values and greying on QListWidget items; user check changes become one signal.
#include "gui/common/check_list_box.h"

#include <QApplication>
#include <QPalette>

namespace kc::gui {
namespace {

constexpr int kValueRole = Qt::UserRole;
constexpr int kGreyedRole = Qt::UserRole + 1;
// The check mark last seen, so that a change of text or colour is not taken for a change of the mark.
constexpr int kSeenCheckRole = Qt::UserRole + 2;

} // namespace

CheckListBox::CheckListBox(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const bool checked = item->checkState() == Qt::Checked;
        if (item->data(kSeenCheckRole).toBool() == checked)
            return;
        const bool silent = m_silent;
        m_silent = true;
        item->setData(kSeenCheckRole, checked);
        m_silent = silent;
        if (!silent)
            emit checkChanged(row(item));
    });
}

int CheckListBox::AddLine(const QString& text, bool checked, qint64 value)
{
    m_silent = true;
    auto* line = new QListWidgetItem(text);
    line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    line->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    line->setData(kSeenCheckRole, checked);
    line->setData(kValueRole, value);
    addItem(line);
    m_silent = false;
    return count() - 1;
}

bool CheckListBox::IsChecked(int row) const
{
    const QListWidgetItem* line = item(row);
    return line && line->checkState() == Qt::Checked;
}

void CheckListBox::SetChecked(int row, bool checked)
{
    QListWidgetItem* line = item(row);
    if (!line)
        return;
    m_silent = true;
    line->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    line->setData(kSeenCheckRole, checked);
    m_silent = false;
}

void CheckListBox::SetText(int row, const QString& text)
{
    QListWidgetItem* line = item(row);
    if (!line)
        return;
    m_silent = true;
    line->setText(text);
    m_silent = false;
}

qint64 CheckListBox::Value(int row) const
{
    const QListWidgetItem* line = item(row);
    return line ? line->data(kValueRole).toLongLong() : 0;
}

void CheckListBox::SetValue(int row, qint64 value)
{
    if (QListWidgetItem* line = item(row)) {
        m_silent = true;
        line->setData(kValueRole, value);
        m_silent = false;
    }
}

bool CheckListBox::IsGreyed(int row) const
{
    const QListWidgetItem* line = item(row);
    return line && line->data(kGreyedRole).toBool();
}

void CheckListBox::SetGreyed(int row, bool greyed)
{
    QListWidgetItem* line = item(row);
    if (!line || line->data(kGreyedRole).toBool() == greyed)
        return;
    m_silent = true;
    line->setData(kGreyedRole, greyed);
    if (greyed)
        line->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    else
        line->setData(Qt::ForegroundRole, QVariant());
    m_silent = false;
}

} // namespace kc::gui
