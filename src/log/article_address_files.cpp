// Creating and appending to the article address files of a run.
#include "log/article_address_files.h"

#include "log/file_name_cleaning.h"
#include "log/format_time.h"
#include "platform/run_directory.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <system_error>

namespace kc::log {

bool ArticleAddressFiles::Append(
    std::string_view siteLabel, std::string_view address, std::optional<std::chrono::system_clock::time_point> now)
{
    std::unique_lock lock(m_mutex);
    auto it = m_files.find(siteLabel);
    if (it == m_files.end()) {
        const std::filesystem::path folder = platform::RunDirectory() / text::NativePath(KC_TEXT("文章地址"));
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        it = m_files.try_emplace(std::string(siteLabel)).first;
        Entry& entry = it->second;
        entry.path
            = folder / text::NativePath(CleanFileName(std::string(siteLabel) + " " + FormatTime(0, "-", now)) + ".txt");
        entry.file.Open(entry.path);
    }
    Entry& entry = it->second;
    const std::lock_guard entryLock(entry.mutex);
    lock.unlock();
    // One write per line: a run that is cut short keeps every address it published.
    return entry.file.WriteLine({address, "\r\n"});
}

std::filesystem::path ArticleAddressFiles::FileOf(std::string_view siteLabel) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_files.find(siteLabel);
    return it == m_files.end() ? std::filesystem::path() : it->second.path;
}

void ArticleAddressFiles::CloseAll()
{
    std::lock_guard lock(m_mutex);
    // An append still writing keeps its entry until it is done.
    for (auto& [label, entry] : m_files)
        const std::lock_guard entryLock(entry.mutex);
    m_files.clear();
}

} // namespace kc::log
