// The run log's file and list writing, one line at a time under a mutex.
#include "log/run_log.h"

#include "log/format_time.h"
#include "platform/event_pump.h"
#include "platform/run_directory.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <system_error>

namespace kc::log {
namespace {

constexpr std::string_view kSeparatorLine = "-----------------------------------"; // 35 hyphens

} // namespace

void RunLog::SetSiteLabels(SiteLabelFunction labels)
{
    std::lock_guard lock(m_mutex);
    m_labels = std::move(labels);
}

void RunLog::SetView(LogView view)
{
    std::lock_guard lock(m_mutex);
    m_view = std::move(view);
}

void RunLog::OpenRunLog(std::optional<std::chrono::system_clock::time_point> now)
{
    std::lock_guard lock(m_mutex);
    m_file.Close();
    const std::string name = FormatTime(0, "-", now) + ".txt";
    const std::filesystem::path folder = platform::RunDirectory() / text::NativePath(KC_TEXT("日志"));
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    m_path = folder / text::NativePath(name);
    m_file.Open(m_path);
    if (m_view.clearRows)
        m_view.clearRows();
}

void RunLog::CloseRunLog()
{
    std::lock_guard lock(m_mutex);
    m_file.Close();
}

void RunLog::LogLine(std::string_view message, int site)
{
    {
        std::lock_guard lock(m_mutex);
        LogRow row;
        row.time = FormatTime(2);
        if (site == 0)
            row.site = KC_TEXT("全局");
        else if (m_labels)
            row.site = m_labels(site);
        if (message.empty())
            m_file.WriteLine({kSeparatorLine, "\r\n"});
        else
            m_file.WriteLine({row.time, "\t", row.site, "\t", message, "\r\n"});
        if (m_view.appendRow) {
            row.message.assign(message);
            m_view.appendRow(row);
        }
    }
    platform::PumpEvents();
}

std::filesystem::path RunLog::CurrentFile() const
{
    std::lock_guard lock(m_mutex);
    return m_path;
}

std::string RunLog::LocateCaption() const
{
    std::lock_guard lock(m_mutex);
    if (m_path.empty())
        return KC_TEXT("开始采集之后才有日志");
    return KC_TEXT("点击定位日志文件：") + text::InternalPath(m_path.filename());
}

} // namespace kc::log
