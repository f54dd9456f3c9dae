// Rows arrive through a locked queue and one posted flush, so workers never touch the list and a burst of
// rows costs the window one repaint.
#include "gui/log/log_window.h"

#include "gui/common/qt_text.h"
#include "platform/desktop.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <limits>

namespace kc::gui {

LogWindow::LogWindow(QWidget* owner)
    : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral("日志"));
    resize(646, 436);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("列表框"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QStringLiteral("时间"), QStringLiteral("站点"), QStringLiteral("消息")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setStretchLastSection(true);
    m_list->header()->resizeSection(0, 70);
    m_list->header()->resizeSection(1, 170);

    m_failureButton = new QPushButton(QStringLiteral("查看上次更新失败的原因"), this);
    m_failureButton->setObjectName(QStringLiteral("按钮查看上次更新失败的原因"));
    m_locateButton = new QPushButton(QStringLiteral("开始采集之后才有日志"), this);
    m_locateButton->setObjectName(QStringLiteral("按钮定位日志"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_list, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(2);
    buttons->addWidget(m_failureButton);
    buttons->addWidget(m_locateButton, 1);
    layout->addLayout(buttons);

    // Rows arriving close together are shown together: one repaint of the list for each slice.
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] { FlushSome(kRowsPerFlush); });

    connect(m_locateButton, &QPushButton::clicked, this, [this] { Locate(); });
    connect(m_failureButton, &QPushButton::clicked, this, [this] {
        if (m_showFailure)
            m_showFailure();
    });
}

log::LogView LogWindow::View()
{
    log::LogView view;
    view.clearRows = [this] { QueueRow(true, {}); };
    view.appendRow = [this](const log::LogRow& row) { QueueRow(false, row); };
    return view;
}

void LogWindow::SetLogSource(
    std::function<std::string()> locateCaption, std::function<std::filesystem::path()> currentFile)
{
    m_locateCaption = std::move(locateCaption);
    m_currentFile = std::move(currentFile);
    RefreshLocateCaption();
}

void LogWindow::SetFailureViewer(std::function<void()> showFailure)
{
    m_showFailure = std::move(showFailure);
}

void LogWindow::QueueRow(bool clear, log::LogRow row)
{
    bool post = false;
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back({clear, std::move(row)});
        if (!m_flushPosted) {
            m_flushPosted = true;
            post = true;
        }
    }
    // Queued even on the window's thread: the run log calls this under its lock, and the flush reads the
    // locate caption, which takes the same lock.
    if (post)
        QMetaObject::invokeMethod(
            this, [this] { FlushRows(); }, Qt::QueuedConnection);
}

void LogWindow::FlushRows()
{
    while (FlushSome(std::numeric_limits<size_t>::max())) { }
}

bool LogWindow::FlushSome(size_t limit)
{
    std::vector<Pending> pending;
    bool more = false;
    {
        std::lock_guard lock(m_mutex);
        const size_t take = std::min(limit, m_pending.size());
        pending.assign(std::make_move_iterator(m_pending.begin()), std::make_move_iterator(m_pending.begin() + take));
        m_pending.erase(m_pending.begin(), m_pending.begin() + take);
        more = !m_pending.empty();
        m_flushPosted = more;
    }
    if (more && !m_flushTimer.isActive())
        m_flushTimer.start();
    if (pending.empty())
        return false;
    bool cleared = false;
    int siteWidth = m_list->columnWidth(1);
    const QFontMetrics metrics(m_list->font());
    QList<QTreeWidgetItem*> rows;
    for (Pending& entry : pending) {
        if (entry.clear) {
            qDeleteAll(rows);
            rows.clear();
            m_list->clear();
            cleared = true;
            continue;
        }
        const QString site = ToQString(entry.row.site);
        // The site column widens to the longest label seen, within reason, so labels are not cut.
        siteWidth = std::max(siteWidth, std::min(metrics.horizontalAdvance(site) + 16, 320));
        const QString message = ToQString(entry.row.message);
        auto* row = new QTreeWidgetItem({ToQString(entry.row.time), site, message});
        // A message wider than its column is shown whole when the pointer rests on it.
        row->setToolTip(2, message);
        rows.append(row);
    }
    if (siteWidth != m_list->columnWidth(1))
        m_list->setColumnWidth(1, siteWidth);
    m_list->addTopLevelItems(rows);
    if (!rows.isEmpty())
        m_list->scrollToBottom();
    if (cleared)
        RefreshLocateCaption();
    return more;
}

void LogWindow::RefreshLocateCaption()
{
    if (m_locateCaption)
        m_locateButton->setText(ToQString(m_locateCaption()));
}

void LogWindow::closeEvent(QCloseEvent* event)
{
    // While the main window lives the log window is only hidden; the main window destroys it at the end.
    event->ignore();
    hide();
    emit hiddenByUser();
}

void LogWindow::Locate()
{
    if (!m_currentFile)
        return;
    const std::filesystem::path file = m_currentFile();
    std::error_code error;
    if (!file.empty() && std::filesystem::exists(file, error))
        platform::RevealFile(file);
}

} // namespace kc::gui
