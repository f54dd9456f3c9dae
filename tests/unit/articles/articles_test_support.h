// What the article tests share: internal text from UTF-8 literals, a log that keeps its lines, file helpers.
#pragma once

#include "log/run_log.h"
#include "support/temp_dir.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kc::articles::test {

// Internal text from a UTF-8 literal.
inline std::string G(std::string_view utf8)
{
    return kc::text::FromUtf8(utf8);
}

inline std::vector<std::string> Gs(const std::vector<std::string_view>& utf8)
{
    std::vector<std::string> out;
    for (auto item : utf8)
        out.push_back(G(item));
    return out;
}

// The internal-text path of a file of a temporary folder.
inline std::string PathOf(const std::filesystem::path& path)
{
    return kc::text::InternalPath(path);
}

// A run log whose lines are kept as (site, message) pairs.
class CapturedLog {
public:
    CapturedLog()
    {
        m_log.SetSiteLabels([](int site) { return std::to_string(site); });
        m_log.SetView({{}, [this](const kc::log::LogRow& row) {
                           std::lock_guard lock(m_mutex);
                           m_lines.emplace_back(row.site, row.message);
                       }});
    }
    kc::log::RunLog* Log() { return &m_log; }
    // The messages logged for a site label ("1", "2", ...; "全局" in internal text for global lines).
    std::vector<std::string> Messages(const std::string& site) const
    {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> out;
        for (const auto& [label, message] : m_lines)
            if (label == site)
                out.push_back(message);
        return out;
    }

private:
    kc::log::RunLog m_log;
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> m_lines;
};

} // namespace kc::articles::test
