// What the sites of one update run share: the list-file cache, the article groups, the custom-title groups,
// the run lock that guards them, and the run's stop flag and log.
#pragma once

#include "articles/article.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kc::log {
class RunLog;
} // namespace kc::log

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::articles {

// Locking: every operation of this library that reads or changes the shared lists (here, in ArticleSource,
// ArticleComposer and the keyword insertion) takes the run lock itself. The lock is recursive, so a caller
// that must make several calls one step for the other sites holds a Guard around them: the preparation of a
// site (article list, list sources, custom titles), the failure step of a publishing step (failure record,
// MarkUnused, ReleaseCustomTitle), the end of a site (LeaveArticleGroup, UnusedCustomTitles and the write-back),
// and any other run-wide write of the engine (failure records, settings). In a synchronous run everything
// happens on one thread and the lock is never contended.
//
// Sites refer to entries by 1-based position (the record's cache indexes, articleGroup, titleGroup; 0 none).
// Entries are never removed during a run; Clear empties everything for the next run.
class RunContext {
public:
    // Holding a Guard holds the run lock.
    class Guard {
    public:
        explicit Guard(const RunContext& context)
            : m_lock(context.m_mutex)
        {
        }

    private:
        std::unique_lock<std::recursive_mutex> m_lock;
    };

    // stopFlag: the run's stop flag (none: never set); log: where lines of the articles go (none: nowhere).
    explicit RunContext(const std::atomic<bool>* stopFlag = nullptr, kc::log::RunLog* log = nullptr);
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    [[nodiscard]] Guard Lock() const { return Guard(*this); }

    // True once the run's stop flag is set.
    bool StopRequested() const;
    // Writes a log line for site n (0: a global line) when the context has a log.
    void LogLine(std::string_view message, int site) const;

    // ---- List-file cache ----

    // Loads one list setting of the site into its record: when the setting names an existing file, the
    // cache entry of that exact path (the file is read, as list-file bytes, only by the first site naming
    // it) and the record's cache index for the list; otherwise the setting's own lines into the record's
    // list with cache index 0. Sets the list's count and resets its bag.
    void LoadListSource(kc::sites::SiteConfig& site, ListSource which);
    // Line i (1-based) of the site's list: from the cache entry when its cache index is set, else from the
    // record's own lines. Empty text when i is outside the list.
    std::string ListItem(const kc::sites::SiteConfig& site, ListSource which, int32_t i) const;
    // A line drawn from the list's bag (every line once before any repeats); empty text when the count is 0.
    std::string DrawListItem(kc::sites::SiteConfig& site, ListSource which) const;
    size_t ListFileCount() const;

    // ---- Article groups ----

    // One shared file list per article folder. A used (marked) entry is skipped by every site.
    struct ArticleGroup {
        std::string folder;
        std::vector<std::string> files;
        std::vector<bool> used; // parallel to files
        int32_t references = 0;
    };

    // The 1-based position of the group of that exact folder text, 0 when none.
    int32_t FindArticleGroup(std::string_view folder) const;
    // Appends an empty group for the folder; returns its position.
    int32_t AddArticleGroup(std::string_view folder);
    // Replaces the group's list (a scan) and sets its reference count to 1.
    void FillArticleGroup(int32_t group, std::vector<std::string> files);
    // Adds one reference to a group and returns its number of files.
    int32_t JoinArticleGroup(int32_t group);
    // Number of files of a group (0 for a position outside the list).
    int32_t ArticleGroupSize(int32_t group) const;
    // The site leaves its article group (its end): one reference less; at none left the list is emptied, so
    // a later site with the folder scans it again. Nothing when the site has no group.
    void LeaveArticleGroup(const kc::sites::SiteConfig& site);
    // Entry pick (1-based) of a group when it is not marked used; empty text otherwise.
    std::string UnusedArticleEntry(int32_t group, int32_t pick) const;
    // Marks or unmarks entry pick of a group; false when there is no such entry.
    bool SetArticleUsed(int32_t group, int32_t pick, bool used);
    // A copy of a group (tests, diagnostics); an empty group for a position outside the list.
    ArticleGroup ArticleGroupAt(int32_t group) const;
    size_t ArticleGroupCount() const;

    // ---- Custom-title groups ----

    // The mark of a used title at the start of its group line.
    static constexpr std::string_view kUsedTitleMark = "{#}";

    // Sets up the site's custom titles: resets its bag and cursor, joins the group of the same existing
    // title file or appends a new one (an inline list always gets a group of its own), and sets titleGroup
    // and customTitlesCount.
    void PrepareCustomTitles(kc::sites::SiteConfig& site);
    // Line i (1-based) of a title group as it stands ("{#}" + title when used); empty text outside the group.
    std::string TitleLine(int32_t group, int32_t i) const;
    // Sets line i of a title group; false when there is no such line.
    bool SetTitleLine(int32_t group, int32_t i, std::string line);
    // The titles of the site's group that are not marked used, in order, joined by CR LF (the write-back).
    std::string UnusedCustomTitles(const kc::sites::SiteConfig& site) const;
    // A copy of a title group's lines; none for a position outside the list.
    std::vector<std::string> TitleGroupLines(int32_t group) const;
    size_t TitleGroupCount() const;

    // Empties every shared list (the run summary).
    void Clear();

private:
    struct ListFile {
        std::string path;
        std::vector<std::string> lines;
    };
    struct TitleGroup {
        std::string path; // empty for an inline list
        std::vector<std::string> lines;
    };

    mutable std::recursive_mutex m_mutex;
    const std::atomic<bool>* m_stopFlag;
    kc::log::RunLog* m_log;
    std::vector<ListFile> m_listFiles;
    std::vector<ArticleGroup> m_articleGroups;
    std::vector<TitleGroup> m_titleGroups;
};

} // namespace kc::articles
