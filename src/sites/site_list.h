// The site group: the ordered records, the lines of the site list shown beside them, and their load and save.
#pragma once

#include "sites/site_config.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kc::config {
class ConfigStore;
} // namespace kc::config

namespace kc::sites {

// One line of the site list: the site label and its check mark.
struct SiteLine {
    std::string text;
    bool checked = false;
};

// The site records and, parallel to them, the lines of the check-list box that shows them. Plain data: the
// gui mirrors it and is told of changes through onChanged.
struct SiteList {
    std::vector<SiteConfig> sites;
    std::vector<SiteLine> lines;
    int selectedLine = -1; // 0-based, -1 when none
    std::function<void()> onChanged; // lines were added (the gui refreshes the list and the group caption)

    // Adds a record and its line (the site label, checked when the site is enabled).
    void Append(const SiteConfig& site);
    void Append(SiteConfig&& site);
    size_t Count() const { return sites.size(); }
};

// Settings names of the site group.
inline constexpr std::string_view kSiteGroupSection = "\xD5\xBE\xB5\xE3\xC5\xE4\xD6\xC3"; // 站点配置
inline constexpr std::string_view kSiteCountKey = "\xD5\xBE\xB5\xE3\xCA\xFD"; // 站点数
inline constexpr std::string_view kSelectedLineKey = "\xCF\xD6\xD0\xD0\xCF\xEE"; // 现行项
inline constexpr std::string_view kSiteSectionPrefix = "\xD5\xBE\xB5\xE3\xD0\xF2\xBA\xC5_"; // 站点序号_
// The administration directory an empty one is replaced by.
inline constexpr std::string_view kDefaultAdminDir = "dede";

// The section of site number n (counting from 1).
std::string SiteSection(int n);

// Reads a site's keys from the store's current section into a fresh record (defaults for missing keys, an
// empty administration directory becomes "dede").
SiteConfig ReadSite(config::ConfigStore& store);
// Writes every persisted field of a site into the store's current section, in the file's key order; false
// when a write failed.
bool WriteSite(config::ConfigStore& store, const SiteConfig& site);

// Appends the sites stored in the store to the list (it neither clears the list nor its lines) and returns the
// stored selected line ("现行项"), 0 when the store holds no site group.
int LoadSites(config::ConfigStore& store, SiteList& list);
// Writes the whole list into the store: the site count, the selected line and one section per site. Sections
// of sites beyond the count are left alone. False when a write failed (a held-open file that could not be
// written, a full disk for a byte file); the caller saves an InMemory store itself.
bool SaveSites(config::ConfigStore& store, const SiteList& list);

} // namespace kc::sites
