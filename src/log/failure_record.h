// Keeping a shop's answer to a failed article submission on disk, for the failure viewer.
#pragma once

#include <filesystem>
#include <string_view>

namespace kc::config {
class ConfigStore;
} // namespace kc::config

namespace kc::log {

// "更新失败.htm" in the run directory: the answer to the last failed submission.
std::filesystem::path UpdateFailurePagePath();
// "更新失败记录" in the run directory: one page per site and title.
std::filesystem::path FailureRecordFolder();
// The file of one site and title in that folder: the cleaned site label and title + ".html".
std::filesystem::path FailureRecordPath(std::string_view siteLabel, std::string_view title);

// Writes the answer page (its UTF-8 charset declarations rewritten to gb2312) to the site's record file
// and to the last-failure page, both replaced, and names the site under "更新失败的域名用户" of section
// "失败信息" in the store when one is given (it reaches the file with the store's next save). Returns
// false when a page could not be written; the run goes on either way. The caller serialises calls
// (the run lock), since the last-failure page and the store are shared by every site.
bool WriteFailureRecord(
    std::string_view siteLabel, std::string_view title, std::string_view answerPage, config::ConfigStore* store);

} // namespace kc::log
