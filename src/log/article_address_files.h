// The files of one run that list, per site, the address of every article it published.
#pragma once

#include "log/line_file.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kc::log {

// One file per site and run in "文章地址" under the run directory, named after the cleaned text
// site label + " " + the date and time of the site's first address ("2019-03-05 07-08-09") + ".txt",
// one address + CR LF per line in publishing order. Safe from several threads; each site's lines
// come from its own worker.
class ArticleAddressFiles {
public:
    ArticleAddressFiles() = default;
    ArticleAddressFiles(const ArticleAddressFiles&) = delete;
    ArticleAddressFiles& operator=(const ArticleAddressFiles&) = delete;
    ~ArticleAddressFiles() { CloseAll(); }

    // Appends the address to the site's file, creating the folder and the file (replacing one of the
    // same name) at the site's first address of the run. False when the line could not be written.
    bool Append(std::string_view siteLabel, std::string_view address,
        std::optional<std::chrono::system_clock::time_point> now = std::nullopt);
    // The file of a site in this run (empty before its first address).
    std::filesystem::path FileOf(std::string_view siteLabel) const;
    // Closes every file of the run; the next address of a site starts a new file.
    void CloseAll();

private:
    // A site's file has a lock of its own: the sites' lines never wait for each other's writes.
    struct Entry {
        std::filesystem::path path;
        std::mutex mutex;
        LineFile file;
    };
    mutable std::mutex m_mutex; // the map; taken before an entry's lock, never while one is held
    std::map<std::string, Entry, std::less<>> m_files;
};

} // namespace kc::log
