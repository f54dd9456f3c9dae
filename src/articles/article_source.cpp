// Article groups, the pick of the next file and the reading of an article file.
#include "articles/article_source.h"

#include "articles/run_context.h"
#include "articles/text_list.h"
#include "config/item_list.h"
#include "platform/event_pump.h"
#include "sites/site_config.h"
#include "text/char_helpers.h"
#include "text/html_reader.h"
#include "text/literal.h"
#include "text/markers.h"
#include "text/native_path.h"
#include "text/tag_shield.h"
#include "text/text_encoding.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <system_error>

namespace kc::articles {

namespace {

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The characters of a text as byte ranges, so that wildcards never take half a character.
void SplitCharacters(std::string_view text, std::vector<std::string_view>& characters)
{
    characters.clear();
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = text::CharLength(text, pos);
        characters.push_back(text.substr(pos, length));
        pos += length;
    }
}

std::vector<std::string_view> Characters(std::string_view text)
{
    std::vector<std::string_view> characters;
    SplitCharacters(text, characters);
    return characters;
}

bool SameCharacter(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    if (a.size() == 1)
        return LowerAscii(a[0]) == LowerAscii(b[0]);
    return a == b;
}

// "*" any run of characters, "?" one character, ASCII letters in either case (as the file systems of the
// article folders' origin compare names). Iterative, with one back-up point for the last "*".
bool MatchCharacters(const std::vector<std::string_view>& pattern, const std::vector<std::string_view>& name)
{
    size_t p = 0;
    size_t n = 0;
    size_t starAt = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == "*") {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == "?" || SameCharacter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == "*")
        ++p;
    return p == pattern.size();
}

// A file-name pattern split into characters once for all the names of a folder. One ending in ".*" also
// takes names without an extension, so "*.*" takes every file.
class NamePattern {
public:
    explicit NamePattern(std::string_view pattern)
        : m_whole(Characters(pattern))
    {
        if (pattern.ends_with(".*"))
            m_withoutExtension = Characters(pattern.substr(0, pattern.size() - 2));
    }

    // nameCharacters: scratch space, kept by the caller so that the names of a folder share one buffer.
    bool Matches(std::string_view name, std::vector<std::string_view>& nameCharacters) const
    {
        SplitCharacters(name, nameCharacters);
        if (MatchCharacters(m_whole, nameCharacters))
            return true;
        return m_withoutExtension && name.find('.') == std::string_view::npos
            && MatchCharacters(*m_withoutExtension, nameCharacters);
    }

private:
    std::vector<std::string_view> m_whole;
    std::optional<std::vector<std::string_view>> m_withoutExtension;
};

// Name order with ASCII letters compared in either case, then byte order: the listing order users know.
bool NameBefore(const std::string& a, const std::string& b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const char x = LowerAscii(a[i]);
        const char y = LowerAscii(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

bool IsSeparator(std::string_view character)
{
    return character == "\\" || character == "/";
}

bool IsFile(std::string_view path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(text::NativePath(path), error);
}

// The byte offset just past each line's break and the line itself, for walking a body line by line.
struct Line {
    std::string_view text;
    size_t next; // offset of the following line
};

std::vector<Line> LinesOf(std::string_view text)
{
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({text.substr(start), text.size()});
            break;
        }
        const size_t next = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        lines.push_back({text.substr(start, end - start), next});
        start = next;
    }
    return lines;
}

} // namespace

void ArticleSource::ReadArticleList(sites::SiteConfig& site)
{
    site.articleBag.Reset();
    site.articleCursor = 0;
    const RunContext::Guard guard(m_context);
    int32_t group = m_context.FindArticleGroup(site.articleDir);
    if (group != 0 && m_context.ArticleGroupSize(group) > 0) {
        site.articleTotal = m_context.JoinArticleGroup(group);
        site.articleGroup = group;
        return;
    }
    if (group == 0)
        group = m_context.AddArticleGroup(site.articleDir);
    std::vector<std::string> files;
    ScanFolder(site.articleDir, site.fileFilter, files, true);
    m_context.FillArticleGroup(group, std::move(files));
    site.articleTotal = m_context.ArticleGroupSize(group);
    site.articleGroup = group;
}

void ArticleSource::ScanFolder(
    std::string_view folder, std::string_view filter, std::vector<std::string>& out, bool clear)
{
    std::string prefix(folder);
    const auto folderCharacters = Characters(prefix);
    if (folderCharacters.empty() || !IsSeparator(folderCharacters.back()))
        prefix += '/';
    if (clear)
        out.clear();

    // The folder's files once, in name order; every pattern then picks from them.
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(text::NativePath(folder), error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        names.push_back(text::InternalPath(it->path().filename()));
    }
    std::sort(names.begin(), names.end(), NameBefore);

    const std::vector<std::string> patterns = filter.empty() ? std::vector<std::string>{"*.*"} : SplitAt(filter, "|");
    std::vector<std::string_view> nameCharacters;
    for (const auto& text : patterns) {
        const NamePattern pattern(text);
        for (const auto& name : names)
            if (pattern.Matches(name, nameCharacters))
                out.push_back(prefix + name);
        platform::PumpEvents();
    }
}

std::optional<Article> ArticleSource::PickArticle(sites::SiteConfig& site, int siteNumber, bool inReadOrder)
{
    for (;;) {
        ++site.articleCursor;
        if (site.articleCursor > site.articleTotal || m_context.StopRequested() || sites::SiteStopRequested(site)) {
            if (site.articleCursor > site.articleTotal && site.articleTotal != 0)
                m_context.LogLine(KC_TEXT("文章使用完了"), siteNumber);
            return std::nullopt;
        }
        const int32_t pick = inReadOrder ? site.articleCursor : site.articleBag.Draw(1, site.articleTotal);
        std::string path;
        {
            const RunContext::Guard guard(m_context);
            path = m_context.UnusedArticleEntry(site.articleGroup, pick);
            // Claimed before the file is looked at, so that no other site of the group takes it meanwhile.
            if (!path.empty() && site.deleteAfter)
                m_context.SetArticleUsed(site.articleGroup, pick, true);
        }
        if (path.empty())
            continue;
        // Outside the run lock: the other sites need not wait for the file system. The look at the file is its
        // reading; one that cannot be read but is there is taken all the same, and its body comes out empty.
        Article article;
        const text::RegularFile found = text::ReadRegularFile(path, article.fileBytes);
        if (found == text::RegularFile::kRead || (found == text::RegularFile::kUnreadable && IsFile(path))) {
            article.fileRead = found == text::RegularFile::kRead;
            article.path = std::move(path);
            article.pick = pick;
            return article;
        }
        // A file that is gone stays unused, as if it had never been claimed.
        if (site.deleteAfter)
            m_context.SetArticleUsed(site.articleGroup, pick, false);
    }
}

void ArticleSource::MarkUsed(const sites::SiteConfig& site, int32_t pick)
{
    m_context.SetArticleUsed(site.articleGroup, pick, true);
}

void ArticleSource::MarkUnused(const sites::SiteConfig& site, int32_t pick)
{
    m_context.SetArticleUsed(site.articleGroup, pick, false);
}

void ArticleSource::ReadArticleTitle(Article& article)
{
    // The file name: after the last separator, before the last ".".
    const std::string_view path = article.path;
    size_t nameStart = 0;
    size_t lastDot = std::string_view::npos;
    for (size_t pos = 0; pos < path.size();) {
        const size_t length = text::CharLength(path, pos);
        const std::string_view character = path.substr(pos, length);
        if (IsSeparator(character)) {
            nameStart = pos + length;
            lastDot = std::string_view::npos;
        } else if (character == ".") {
            lastDot = pos;
        }
        pos += length;
    }
    std::string title(
        path.substr(nameStart, lastDot == std::string_view::npos ? std::string_view::npos : lastDot - nameStart));

    article.categoryMarker = false;
    const size_t open = text::FindText(title, "[#");
    if (open != std::string::npos) {
        const size_t close = text::FindText(title, "#]", open + 2);
        if (close != std::string::npos && close > open + 2) {
            const int64_t id = config::TextToInt(std::string_view(title).substr(open + 2, close - open - 2));
            article.categoryId = static_cast<int32_t>(
                std::clamp<int64_t>(id, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
            article.categoryMarker = true;
            title.erase(0, close + 2);
        }
    }
    article.title = std::move(title);
}

bool ArticleSource::ReadArticleBody(const sites::SiteConfig& site, Article& article)
{
    const int encoding = site.fileEncoding >= 0 && site.fileEncoding <= 3 ? site.fileEncoding : text::kEncodingAuto;
    std::string body = article.fileRead ? text::LoadText({}, encoding, nullptr, article.fileBytes)
                                        : text::LoadText(article.path, encoding);
    // Read once: the bytes are not needed beyond this.
    std::string().swap(article.fileBytes);
    article.fileRead = false;

    std::string style = text::BetweenMarkers(body, "<style", "</style>", nullptr, false, 0, 0, true);
    if (!style.empty())
        style = "<style" + style + "</style>";
    // The body element as written: the reader's attribute spacing would change the article's own text.
    text::HtmlReader reader;
    if (!reader.FindElement(body, "body", {}, {}, false, true, true).empty())
        body = reader.FindElement(body, "body", {}, {}, true, true, true);
    article.body = style + body;
    return !article.body.empty();
}

void ArticleSource::FinishArticleBody(const sites::SiteConfig& site, Article& article)
{
    if (site.firstLineTitle) {
        text::TagShield shield;
        for (const Line& line : LinesOf(article.body)) {
            std::string plain = TrimSpaces(shield.Protect(line.text, {}, true));
            if (plain.empty())
                continue;
            article.firstLine = std::move(plain);
            article.title = article.firstLine;
            article.body.erase(0, line.next);
            break;
        }
    }
    if (site.paragraphTags) {
        std::string tagged;
        tagged.reserve(article.body.size() + article.body.size() / 8);
        for (const Line& line : LinesOf(article.body)) {
            if (line.text.empty())
                continue;
            tagged.append("<p>").append(line.text).append("</p>\r\n");
        }
        article.body = std::move(tagged);
    }
}

Article ArticleSource::ReadArticle(const sites::SiteConfig& site, std::string_view path)
{
    Article article;
    article.path = std::string(path);
    ReadArticleTitle(article);
    if (ReadArticleBody(site, article))
        FinishArticleBody(site, article);
    return article;
}

} // namespace kc::articles
