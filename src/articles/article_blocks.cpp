// Reading the article blocks of the tail insertion.
#include "articles/article_blocks.h"

#include "articles/article_source.h"
#include "articles/text_list.h"
#include "platform/event_pump.h"
#include "sites/site_config.h"
#include "text/literal.h"
#include "text/markers.h"
#include "text/native_path.h"
#include "text/text_encoding.h"

#include <filesystem>
#include <system_error>

namespace kc::articles {

namespace {

void AppendBlocks(std::string_view path, std::string_view separator, std::vector<std::string>& blocks)
{
    for (const auto& piece : SplitAt(text::LoadText(path, text::kEncodingAuto), separator)) {
        const std::string block = TrimSpaces(piece);
        if (!block.empty())
            blocks.push_back(KC_TEXT("<p>　　") + block + "</p>");
    }
}

} // namespace

std::string BlockSeparator(std::string_view setting)
{
    std::string separator = text::ReplaceText(setting, "\\n", "\r\n");
    return separator.empty() ? std::string("\r\n") : separator;
}

int LoadArticleBlocks(sites::SiteConfig& site)
{
    const std::string separator = BlockSeparator(site.blockSeparator);
    site.tailInsertWords.clear();
    for (const auto& path : SplitLines(site.tailInsertSource)) {
        platform::PumpEvents();
        std::error_code error;
        const auto native = text::NativePath(path);
        if (std::filesystem::is_directory(native, error)) {
            std::vector<std::string> files;
            ArticleSource::ScanFolder(path, "*.htm|*.txt", files, true);
            for (const auto& file : files)
                AppendBlocks(file, separator, site.tailInsertWords);
        } else if (std::filesystem::is_regular_file(native, error)) {
            AppendBlocks(path, separator, site.tailInsertWords);
        }
    }
    site.tailInsertCount = static_cast<int32_t>(site.tailInsertWords.size());
    site.tailInsertCache = 0;
    site.tailInsertBag.Reset();
    return site.tailInsertCount;
}

} // namespace kc::articles
