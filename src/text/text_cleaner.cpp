// Article HTML turned into plain description text.
#include "text/text_cleaner.h"

#include "text/entities.h"
#include "text/markers.h"
#include "text/regex.h"

namespace kc::text {
namespace {

// Deletes every match of pattern; a pattern the engine rejects leaves the text as it is.
std::string DeleteMatches(std::string_view text, std::string_view pattern)
{
    Regex regex;
    if (!regex.Create(pattern))
        return std::string(text);
    return regex.Replace(text, "");
}

} // namespace

std::string TextCleaner::StripTags(std::string_view text) const
{
    std::string plain = MultiReplace(
        text, "<p|</p>|<br>|</ br>|</br>|<br />", "\r\n<p|\r\n</p>|\r\n<br>|\r\n</ br>|\r\n</br>|\r\n<br />");
    // Size comparisons in full-width form so that their < and > are not taken for tag ends.
    plain = MultiReplace(plain, "Width>|Height>|Width<|Height<",
        "Width\xA3\xBE|Height\xA3\xBE|Width\xA3\xBC|Height\xA3\xBC"); // ＞ ＜
    plain = DeleteMatches(plain, "<[\\s\\S]+?>");
    return DecodeCommonEntities(plain);
}

std::string TextCleaner::RemoveUrls(std::string_view text) const
{
    return DeleteMatches(text, "([a-zA-z]+://|www.)[^\\u4e00-\\u9fa5\\s'<>\"]+");
}

std::string TextCleaner::RemoveAllWhitespace(std::string_view text) const
{
    return DeleteMatches(text, "\\s|\xA1\xA1"); // full-width space
}

} // namespace kc::text
