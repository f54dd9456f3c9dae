// The log window: the rows of the current run, the button to the failure viewer and the one that shows the
// log file in the file manager.
#pragma once

#include "log/run_log.h"

#include <QTimer>
#include <QWidget>

#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace kc::gui {

class LogWindow : public QWidget {
    Q_OBJECT
public:
    // owner: the main window, which the log window stays above and which destroys it.
    explicit LogWindow(QWidget* owner);

    // The view to hand to the run log. Its functions may run on any thread: rows are queued and reach the
    // list on the window's thread, in order, many at a time.
    log::LogView View();

    // Where the locate button's caption and the current file come from (the run log).
    void SetLogSource(std::function<std::string()> locateCaption, std::function<std::filesystem::path()> currentFile);
    // What the failure button opens.
    void SetFailureViewer(std::function<void()> showFailure);

    // Shows the queued rows now (the queue is also drained by the window's event loop).
    void FlushRows();
    // The locate button's caption, read again from the run log.
    void RefreshLocateCaption();

signals:
    // The close box was pressed: the window hid itself.
    void hiddenByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Locate();
    void QueueRow(bool clear, log::LogRow row);
    // Appends at most limit queued rows and posts the rest; true when rows are left.
    bool FlushSome(size_t limit);

    // A burst of rows reaches the list in slices, so that the window keeps answering in between.
    static constexpr size_t kRowsPerFlush = 100;
    static constexpr int kFlushDelayMs = 40;
    QTimer m_flushTimer;

    QTreeWidget* m_list = nullptr;
    QPushButton* m_failureButton = nullptr;
    QPushButton* m_locateButton = nullptr;
    std::function<std::string()> m_locateCaption;
    std::function<std::filesystem::path()> m_currentFile;
    std::function<void()> m_showFailure;

    struct Pending {
        bool clear = false;
        log::LogRow row;
    };
    std::mutex m_mutex;
    std::deque<Pending> m_pending;
    bool m_flushPosted = false;
};

} // namespace kc::gui
