// File-name cleaning over internal text.
#include "log/file_name_cleaning.h"

namespace kc::log {

std::string CleanFileName(std::string_view name)
{
    std::string out;
    out.reserve(name.size() + 8);
    for (size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < name.size()) {
            // A multi-byte character: four bytes when the second is a digit, else two.
            const auto second = static_cast<unsigned char>(name[i + 1]);
            const size_t length = (second >= 0x30 && second <= 0x39 && i + 3 < name.size()) ? 4 : 2;
            out.append(name.substr(i, length));
            i += length;
            continue;
        }
        switch (c) {
        case '\\':
            out += "\xA3\xDC"; // ＼
            break;
        case '/':
            out += "\xA3\xAF"; // ／
            break;
        case ':':
            out += "\xA3\xBA"; // ：
            break;
        case '*':
            out += "\xA3\xAA"; // ＊
            break;
        case '?':
            out += "\xA3\xBF"; // ？
            break;
        case '|':
            out += "\xA3\xFC"; // ｜
            break;
        case '<':
            out += "\xA3\xBC"; // ＜
            break;
        case '>':
            out += "\xA3\xBE"; // ＞
            break;
        case '"':
        case '\r':
        case '\n':
        case '\t':
            break;
        default:
            out += static_cast<char>(c);
            break;
        }
        ++i;
    }
    return out;
}

} // namespace kc::log
