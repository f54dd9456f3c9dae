// The run log: every line of an update run goes to the log window's list and to one file per run.
#pragma once

#include "log/line_file.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kc::log {

// One row of the log list: time "#4:#5:#6", site ("全局" or a site label), message (internal text).
struct LogRow {
    std::string time;
    std::string site;
    std::string message;
};

// Where the rows go besides the file: the log window (through a queued signal) or standard output.
// Both functions are called on the writing thread, one line at a time.
struct LogView {
    std::function<void()> clearRows;
    std::function<void(const LogRow&)> appendRow;
};

class RunLog {
public:
    // Gives the label of site n (n ≥ 1): domain + "(" + user + ")", empty when n is beyond the site list.
    using SiteLabelFunction = std::function<std::string(int site)>;

    RunLog() = default;
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    void SetSiteLabels(SiteLabelFunction labels);
    void SetView(LogView view);

    // Starts a new file "日志\YYYY-MM-DD hh-mm-ss.txt" under the run directory (folders created as needed)
    // and clears the list. A file that cannot be created leaves the log going: lines reach the list only.
    void OpenRunLog(std::optional<std::chrono::system_clock::time_point> now = std::nullopt);
    // Closes the file; later lines reach only the list.
    void CloseRunLog();

    // Appends one line: site 0 is a global line ("全局"). An empty message writes the 35-hyphen separator
    // to the file and a row with an empty message to the list. Safe from any thread.
    void LogLine(std::string_view message, int site = 0);

    // The current file (empty before the first run).
    std::filesystem::path CurrentFile() const;
    // The locate button's caption: "开始采集之后才有日志" before the first run, then
    // "点击定位日志文件：" + the file's name.
    std::string LocateCaption() const;

private:
    mutable std::mutex m_mutex;
    SiteLabelFunction m_labels;
    LogView m_view;
    LineFile m_file;
    std::filesystem::path m_path;
};

} // namespace kc::log
