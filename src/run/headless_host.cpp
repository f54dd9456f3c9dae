// Printing the run's rows and end as UTF-8 lines.
#include "run/headless_host.h"

#include "text/literal.h"

namespace kc::run {

HeadlessHost::HeadlessHost(RunOptions options, std::FILE* out)
    : m_options(std::move(options))
    , m_out(out)
{
}

RunOptions HeadlessHost::Options() const
{
    const std::lock_guard lock(m_mutex);
    return m_options;
}

void HeadlessHost::Print(const std::string& internalText)
{
    const std::lock_guard lock(m_mutex);
    if (m_out == nullptr)
        return;
    const std::string line = text::ToUtf8(internalText) + "\n";
    std::fwrite(line.data(), 1, line.size(), m_out);
    std::fflush(m_out);
}

void HeadlessHost::RunStopping()
{
    Print(KC_TEXT("正在停止中.."));
}

void HeadlessHost::CustomTitlesWrittenBack(int, const std::string&)
{
    const std::lock_guard lock(m_mutex);
    m_dirty = true;
}

void HeadlessHost::RunEnded(const RunSummary& summary, bool)
{
    {
        const std::lock_guard lock(m_mutex);
        m_summary = summary;
    }
    Print(KC_TEXT("更新完成！总更新了 ") + std::to_string(summary.publishedTotal) + KC_TEXT(" 篇文章，更新耗费 ")
        + summary.duration);
}

log::LogView HeadlessHost::View()
{
    log::LogView view;
    view.clearRows = [] {};
    view.appendRow = [this](const log::LogRow& row) { Print(row.time + "\t" + row.site + "\t" + row.message); };
    return view;
}

bool HeadlessHost::SettingsDirty() const
{
    const std::lock_guard lock(m_mutex);
    return m_dirty;
}

std::optional<RunSummary> HeadlessHost::Summary() const
{
    const std::lock_guard lock(m_mutex);
    return m_summary;
}

} // namespace kc::run
