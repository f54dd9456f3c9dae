// Reading an article's address out of a submission answer.
#include "run/article_address.h"

#include "text/html_reader.h"
#include "text/literal.h"
#include "text/markers.h"

namespace kc::run {
namespace {

// The href of the anchor that ends with ">查看文档</a>": the last "<a" before that text.
std::string ViewLink(std::string_view answer)
{
    const std::string& caption = KC_TEXT(">查看文档</a>");
    const size_t end = text::FindText(answer, caption, 0, false);
    if (end == std::string_view::npos)
        return {};
    // The last "<a" tag before the caption: a tag name of its own, not "<abbr".
    size_t start = std::string_view::npos;
    for (size_t at = end; at-- > 0;) {
        if (answer[at] != '<' || at + 2 > end || (answer[at + 1] | 0x20) != 'a')
            continue;
        const char next = answer[at + 2];
        if (next == ' ' || next == '\t' || next == '\r' || next == '\n' || next == '>') {
            start = at;
            break;
        }
    }
    if (start == std::string_view::npos)
        return {};
    const text::HtmlReader reader;
    return reader.GetAttribute(answer.substr(start, end + 1 - start), "href");
}

bool StartsWithHttp(std::string_view link)
{
    if (link.size() < 4)
        return false;
    for (size_t i = 0; i < 4; ++i) {
        const char c = static_cast<char>(link[i] | 0x20);
        if (c != "http"[i])
            return false;
    }
    return true;
}

} // namespace

std::string ArticleAddressFromAnswer(std::string_view answer, std::string_view domain, bool useHttps)
{
    std::string url = text::BetweenMarkers(answer, "push_zzbaidu('", "'", nullptr, false, 0, 0, true);
    if (!url.empty())
        return url;
    std::string link = ViewLink(answer);
    if (!link.empty() && !StartsWithHttp(link))
        link = std::string(useHttps ? "https://" : "http://") + std::string(domain) + link;
    return link;
}

} // namespace kc::run
