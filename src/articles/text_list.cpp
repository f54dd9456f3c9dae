// Splitting list texts into lines and telling a list file from an inline list.
#include "articles/text_list.h"

#include "text/native_path.h"
#include "text/text_encoding.h"

#include <filesystem>
#include <system_error>

namespace kc::articles {

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        // CR and LF are below 40 hex, so they are never the second byte of a two-byte character.
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

bool NamesExistingPath(std::string_view text)
{
    if (text.empty() || text.find_first_of("\r\n") != std::string_view::npos)
        return false;
    std::error_code error;
    return std::filesystem::exists(text::NativePath(text), error);
}

std::vector<std::string> ReadListFile(std::string_view path)
{
    return SplitLines(text::LoadText(path, text::kEncodingGbk));
}

} // namespace kc::articles
