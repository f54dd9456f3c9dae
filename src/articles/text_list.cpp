// Splitting list texts into lines and telling a list file from an inline list.
#include "articles/text_list.h"

#include "text/char_helpers.h"
#include "text/markers.h"
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

std::vector<std::string> SplitAt(std::string_view text, std::string_view separator)
{
    std::vector<std::string> pieces;
    if (separator.empty()) {
        if (!text.empty())
            pieces.emplace_back(text);
        return pieces;
    }
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t hit = text::FindText(text, separator, pos);
        if (hit == std::string_view::npos) {
            pieces.emplace_back(text.substr(pos));
            break;
        }
        pieces.emplace_back(text.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
    return pieces;
}

std::string TrimSpaces(std::string_view text)
{
    constexpr std::string_view kFullWidthSpace = "\xA1\xA1";
    size_t begin = std::string_view::npos;
    size_t end = 0;
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = text::CharLength(text, pos);
        const std::string_view character = text.substr(pos, length);
        const bool space = character == " " || character == "\t" || character == "\r" || character == "\n"
            || character == kFullWidthSpace;
        if (!space) {
            if (begin == std::string_view::npos)
                begin = pos;
            end = pos + length;
        }
        pos += length;
    }
    return begin == std::string_view::npos ? std::string() : std::string(text.substr(begin, end - begin));
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
