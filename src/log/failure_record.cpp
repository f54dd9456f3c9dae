// The failure record files and the settings key that names the last failed site.
#include "log/failure_record.h"

#include "config/config_store.h"
#include "http/answer_decoding.h"
#include "log/file_name_cleaning.h"
#include "platform/run_directory.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <fstream>
#include <string>
#include <system_error>

namespace kc::log {
namespace {

bool WritePage(const std::filesystem::path& path, const std::string& page)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        return false;
    file.write(page.data(), static_cast<std::streamsize>(page.size()));
    return static_cast<bool>(file.flush());
}

} // namespace

std::filesystem::path UpdateFailurePagePath()
{
    return platform::RunDirectory() / text::NativePath(KC_TEXT("更新失败.htm"));
}

std::filesystem::path FailureRecordFolder()
{
    return platform::RunDirectory() / text::NativePath(KC_TEXT("更新失败记录"));
}

std::filesystem::path FailureRecordPath(std::string_view siteLabel, std::string_view title)
{
    std::string name(siteLabel);
    name.append(title);
    return FailureRecordFolder() / text::NativePath(CleanFileName(name) + ".html");
}

bool WriteFailureRecord(
    std::string_view siteLabel, std::string_view title, std::string_view answerPage, config::ConfigStore* store)
{
    const std::string page = http::PageCharsetToGb2312(answerPage);
    std::error_code ignored;
    std::filesystem::create_directories(FailureRecordFolder(), ignored);
    bool written = WritePage(FailureRecordPath(siteLabel, title), page);
    written = WritePage(UpdateFailurePagePath(), page) && written;
    if (store) {
        store->SelectSection(KC_TEXT("失败信息"));
        store->WriteText(KC_TEXT("更新失败的域名用户"), siteLabel);
    }
    return written;
}

} // namespace kc::log
