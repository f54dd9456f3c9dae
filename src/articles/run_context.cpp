// The run-wide shared lists and the run lock.
#include "articles/run_context.h"

#include "articles/text_list.h"
#include "log/run_log.h"
#include "sites/site_config.h"

#include <utility>

namespace kc::articles {

namespace {

struct ListFields {
    const std::string& source;
    std::vector<std::string>& lines;
    int32_t& count;
    int32_t& cache;
    sites::ShuffleBag& bag;
};

ListFields FieldsOf(sites::SiteConfig& site, ListSource which)
{
    switch (which) {
    case ListSource::kKeywords:
        return {site.keywordsSource, site.keywords, site.keywordsCount, site.keywordsCache, site.keywordsBag};
    case ListSource::kGoods:
        return {site.goodsSource, site.goods, site.goodsCount, site.goodsCache, site.goodsBag};
    case ListSource::kAuthors:
        return {site.authorsSource, site.authors, site.authorsCount, site.authorsCache, site.authorsBag};
    case ListSource::kBodyKeywords:
        return {site.bodyInsertSource, site.bodyInsertWords, site.bodyInsertCount, site.bodyInsertCache,
            site.bodyInsertBag};
    case ListSource::kTailKeywords:
        return {site.tailInsertSource, site.tailInsertWords, site.tailInsertCount, site.tailInsertCache,
            site.tailInsertBag};
    case ListSource::kTitleKeywords:
        break;
    }
    return {site.titleInsertSource, site.titleInsertWords, site.titleInsertCount, site.titleInsertCache,
        site.titleInsertBag};
}

// Only the record's fields are touched, never written: the const view of FieldsOf.
ListFields FieldsOf(const sites::SiteConfig& site, ListSource which)
{
    return FieldsOf(const_cast<sites::SiteConfig&>(site), which);
}

bool IsIndex(int32_t position, size_t size)
{
    return position >= 1 && static_cast<size_t>(position) <= size;
}

} // namespace

RunContext::RunContext(const std::atomic<bool>* stopFlag, log::RunLog* log)
    : m_stopFlag(stopFlag)
    , m_log(log)
{
}

bool RunContext::StopRequested() const
{
    return m_stopFlag != nullptr && m_stopFlag->load();
}

void RunContext::LogLine(std::string_view message, int site) const
{
    if (m_log != nullptr)
        m_log->LogLine(message, site);
}

void RunContext::LoadListSource(sites::SiteConfig& site, ListSource which)
{
    ListFields fields = FieldsOf(site, which);
    fields.bag.Reset();
    if (!NamesExistingPath(fields.source)) {
        fields.lines = SplitLines(fields.source);
        fields.count = static_cast<int32_t>(fields.lines.size());
        fields.cache = 0;
        return;
    }
    const Guard guard(*this);
    fields.lines.clear();
    for (size_t i = 0; i < m_listFiles.size(); ++i) {
        if (m_listFiles[i].path == fields.source) {
            fields.count = static_cast<int32_t>(m_listFiles[i].lines.size());
            fields.cache = static_cast<int32_t>(i + 1);
            return;
        }
    }
    m_listFiles.push_back({fields.source, ReadListFile(fields.source)});
    fields.count = static_cast<int32_t>(m_listFiles.back().lines.size());
    fields.cache = static_cast<int32_t>(m_listFiles.size());
}

std::string RunContext::ListItem(const sites::SiteConfig& site, ListSource which, int32_t i) const
{
    const ListFields fields = FieldsOf(site, which);
    if (fields.cache == 0)
        return IsIndex(i, fields.lines.size()) ? fields.lines[static_cast<size_t>(i - 1)] : std::string();
    const Guard guard(*this);
    if (!IsIndex(fields.cache, m_listFiles.size()))
        return {};
    const auto& lines = m_listFiles[static_cast<size_t>(fields.cache - 1)].lines;
    return IsIndex(i, lines.size()) ? lines[static_cast<size_t>(i - 1)] : std::string();
}

std::string RunContext::DrawListItem(sites::SiteConfig& site, ListSource which) const
{
    ListFields fields = FieldsOf(site, which);
    if (fields.count <= 0)
        return {};
    return ListItem(site, which, fields.bag.Draw(1, fields.count));
}

size_t RunContext::ListFileCount() const
{
    const Guard guard(*this);
    return m_listFiles.size();
}

int32_t RunContext::FindArticleGroup(std::string_view folder) const
{
    const Guard guard(*this);
    for (size_t i = 0; i < m_articleGroups.size(); ++i)
        if (m_articleGroups[i].folder == folder)
            return static_cast<int32_t>(i + 1);
    return 0;
}

int32_t RunContext::AddArticleGroup(std::string_view folder)
{
    const Guard guard(*this);
    m_articleGroups.push_back({std::string(folder), {}, {}, 0});
    return static_cast<int32_t>(m_articleGroups.size());
}

void RunContext::FillArticleGroup(int32_t group, std::vector<std::string> files)
{
    const Guard guard(*this);
    if (!IsIndex(group, m_articleGroups.size()))
        return;
    ArticleGroup& entry = m_articleGroups[static_cast<size_t>(group - 1)];
    entry.used.assign(files.size(), false);
    entry.files = std::move(files);
    entry.references = 1;
}

int32_t RunContext::JoinArticleGroup(int32_t group)
{
    const Guard guard(*this);
    if (!IsIndex(group, m_articleGroups.size()))
        return 0;
    ArticleGroup& entry = m_articleGroups[static_cast<size_t>(group - 1)];
    ++entry.references;
    return static_cast<int32_t>(entry.files.size());
}

int32_t RunContext::ArticleGroupSize(int32_t group) const
{
    const Guard guard(*this);
    return IsIndex(group, m_articleGroups.size())
        ? static_cast<int32_t>(m_articleGroups[static_cast<size_t>(group - 1)].files.size())
        : 0;
}

void RunContext::LeaveArticleGroup(const sites::SiteConfig& site)
{
    const Guard guard(*this);
    if (!IsIndex(site.articleGroup, m_articleGroups.size()))
        return;
    ArticleGroup& entry = m_articleGroups[static_cast<size_t>(site.articleGroup - 1)];
    if (--entry.references < 1) {
        entry.references = 0;
        entry.files.clear();
        entry.used.clear();
    }
}

std::string RunContext::UnusedArticleEntry(int32_t group, int32_t pick) const
{
    const Guard guard(*this);
    if (!IsIndex(group, m_articleGroups.size()))
        return {};
    const ArticleGroup& entry = m_articleGroups[static_cast<size_t>(group - 1)];
    if (!IsIndex(pick, entry.files.size()) || entry.used[static_cast<size_t>(pick - 1)])
        return {};
    return entry.files[static_cast<size_t>(pick - 1)];
}

bool RunContext::SetArticleUsed(int32_t group, int32_t pick, bool used)
{
    const Guard guard(*this);
    if (!IsIndex(group, m_articleGroups.size()))
        return false;
    ArticleGroup& entry = m_articleGroups[static_cast<size_t>(group - 1)];
    if (!IsIndex(pick, entry.files.size()))
        return false;
    entry.used[static_cast<size_t>(pick - 1)] = used;
    return true;
}

RunContext::ArticleGroup RunContext::ArticleGroupAt(int32_t group) const
{
    const Guard guard(*this);
    return IsIndex(group, m_articleGroups.size()) ? m_articleGroups[static_cast<size_t>(group - 1)] : ArticleGroup{};
}

size_t RunContext::ArticleGroupCount() const
{
    const Guard guard(*this);
    return m_articleGroups.size();
}

void RunContext::PrepareCustomTitles(sites::SiteConfig& site)
{
    site.customTitlesBag.Reset();
    site.customTitleCursor = 0;
    const bool file = NamesExistingPath(site.customTitlesSource);
    const Guard guard(*this);
    if (file) {
        for (size_t i = 0; i < m_titleGroups.size(); ++i) {
            if (m_titleGroups[i].path == site.customTitlesSource) {
                site.titleGroup = static_cast<int32_t>(i + 1);
                site.customTitlesCount = static_cast<int32_t>(m_titleGroups[i].lines.size());
                return;
            }
        }
        m_titleGroups.push_back({site.customTitlesSource, ReadListFile(site.customTitlesSource)});
    } else {
        m_titleGroups.push_back({std::string(), SplitLines(site.customTitlesSource)});
    }
    site.titleGroup = static_cast<int32_t>(m_titleGroups.size());
    site.customTitlesCount = static_cast<int32_t>(m_titleGroups.back().lines.size());
}

std::string RunContext::TitleLine(int32_t group, int32_t i) const
{
    const Guard guard(*this);
    if (!IsIndex(group, m_titleGroups.size()))
        return {};
    const auto& lines = m_titleGroups[static_cast<size_t>(group - 1)].lines;
    return IsIndex(i, lines.size()) ? lines[static_cast<size_t>(i - 1)] : std::string();
}

bool RunContext::SetTitleLine(int32_t group, int32_t i, std::string line)
{
    const Guard guard(*this);
    if (!IsIndex(group, m_titleGroups.size()))
        return false;
    auto& lines = m_titleGroups[static_cast<size_t>(group - 1)].lines;
    if (!IsIndex(i, lines.size()))
        return false;
    lines[static_cast<size_t>(i - 1)] = std::move(line);
    return true;
}

std::string RunContext::UnusedCustomTitles(const sites::SiteConfig& site) const
{
    const Guard guard(*this);
    std::string text;
    if (!IsIndex(site.titleGroup, m_titleGroups.size()))
        return text;
    bool first = true;
    for (const auto& line : m_titleGroups[static_cast<size_t>(site.titleGroup - 1)].lines) {
        if (line.starts_with(kUsedTitleMark))
            continue;
        if (!first)
            text += "\r\n";
        text += line;
        first = false;
    }
    return text;
}

std::vector<std::string> RunContext::TitleGroupLines(int32_t group) const
{
    const Guard guard(*this);
    return IsIndex(group, m_titleGroups.size()) ? m_titleGroups[static_cast<size_t>(group - 1)].lines
                                                : std::vector<std::string>();
}

size_t RunContext::TitleGroupCount() const
{
    const Guard guard(*this);
    return m_titleGroups.size();
}

void RunContext::Clear()
{
    const Guard guard(*this);
    m_listFiles.clear();
    m_articleGroups.clear();
    m_titleGroups.clear();
}

} // namespace kc::articles
