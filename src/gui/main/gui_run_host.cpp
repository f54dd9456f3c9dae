// Calls from workers hop to the window's thread; the options are a locked copy the window keeps current.
#include "gui/main/gui_run_host.h"

#include "gui/main/main_window.h"
#include "gui/main/worker_priority.h"

#include <QThread>

namespace kc::gui {
namespace {

template <class F> void OnWindowThread(MainWindow& window, F&& work)
{
    if (QThread::currentThread() == window.thread())
        work();
    else
        QMetaObject::invokeMethod(&window, std::forward<F>(work), Qt::QueuedConnection);
}

} // namespace

GuiRunHost::GuiRunHost(MainWindow& window)
    : m_window(window)
{
}

run::RunOptions GuiRunHost::Options() const
{
    YieldToWindowThread();
    std::lock_guard lock(m_mutex);
    return m_options;
}

void GuiRunHost::SetOptions(const run::RunOptions& options)
{
    std::lock_guard lock(m_mutex);
    m_options = options;
}

void GuiRunHost::RunStarted()
{
    m_window.OnRunStarted();
}

void GuiRunHost::SaveSettingsIfChanged()
{
    m_window.SaveSettingsAtRunStart();
}

void GuiRunHost::RunStopping()
{
    m_window.OnRunStopping();
}

void GuiRunHost::SetSiteLineEnabled(int site, bool enabled)
{
    MainWindow& window = m_window;
    OnWindowThread(window, [&window, site, enabled] { window.SetSiteLineEnabled(site, enabled); });
}

void GuiRunHost::SetStopButtonEnabled(bool enabled)
{
    MainWindow& window = m_window;
    OnWindowThread(window, [&window, enabled] { window.SetStopButtonEnabled(enabled); });
}

void GuiRunHost::CustomTitlesWrittenBack(int site, const std::string& titles)
{
    MainWindow& window = m_window;
    OnWindowThread(window, [&window, site, titles] { window.OnTitlesWrittenBack(site, titles); });
}

void GuiRunHost::RunEnded(const run::RunSummary& summary, bool calledByTimer)
{
    m_window.OnRunEnded(summary, calledByTimer);
}

} // namespace kc::gui
