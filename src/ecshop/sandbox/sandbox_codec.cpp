// Form, multipart, HTML and JSON codecs of the sandbox shop.
#include "ecshop/sandbox/sandbox_codec.h"

#include "text/number_text.h"
#include "text/text_encoding.h"

#include <cstdio>

namespace kc::ecshop {

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Reads the ";"-separated parameters of a header value (name=value or name="value"), keeping
// semicolons inside quotes, so a file name with ";" in it survives.
std::vector<SandboxFormField> HeaderParameters(std::string_view value)
{
    std::vector<SandboxFormField> params;
    size_t pos = value.find(';');
    while (pos != std::string_view::npos && pos < value.size()) {
        ++pos;
        while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t'))
            ++pos;
        const size_t eq = value.find('=', pos);
        const size_t semi = value.find(';', pos);
        if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
            pos = semi;
            continue;
        }
        std::string name;
        for (char c : Trim(value.substr(pos, eq - pos)))
            name += LowerAscii(c);
        size_t valuePos = eq + 1;
        std::string paramValue;
        if (valuePos < value.size() && value[valuePos] == '"') {
            const size_t close = value.find('"', valuePos + 1);
            const size_t end = close == std::string_view::npos ? value.size() : close;
            paramValue.assign(value.substr(valuePos + 1, end - valuePos - 1));
            pos = close == std::string_view::npos ? std::string_view::npos : value.find(';', close);
        } else {
            const size_t end = semi == std::string_view::npos ? value.size() : semi;
            paramValue.assign(Trim(value.substr(valuePos, end - valuePos)));
            pos = semi;
        }
        params.emplace_back(std::move(name), std::move(paramValue));
    }
    return params;
}

void AppendJsonAscii(std::string& out, unsigned char c)
{
    switch (c) {
    case '"':
        out += "\\\"";
        break;
    case '\\':
        out += "\\\\";
        break;
    case '/':
        out += "\\/";
        break;
    case '\b':
        out += "\\b";
        break;
    case '\f':
        out += "\\f";
        break;
    case '\n':
        out += "\\n";
        break;
    case '\r':
        out += "\\r";
        break;
    case '\t':
        out += "\\t";
        break;
    default:
        if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
}

} // namespace

std::string SandboxPercentDecode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && kc::text::HexDigitValue(text[i + 1]) >= 0
            && kc::text::HexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(kc::text::HexDigitValue(text[i + 1]) * 16 + kc::text::HexDigitValue(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<SandboxFormField> SandboxParseFormFields(std::string_view text)
{
    std::vector<SandboxFormField> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        if (!piece.empty()) {
            const size_t eq = piece.find('=');
            if (eq == std::string_view::npos)
                fields.emplace_back(SandboxPercentDecode(piece, true), std::string());
            else
                fields.emplace_back(
                    SandboxPercentDecode(piece.substr(0, eq), true), SandboxPercentDecode(piece.substr(eq + 1), true));
        }
        start = end + 1;
    }
    return fields;
}

std::string SandboxMultipartBoundary(std::string_view contentType)
{
    if (!SandboxStartsWithNoCase(Trim(contentType), "multipart/form-data"))
        return {};
    for (const auto& [name, value] : HeaderParameters(contentType)) {
        if (name == "boundary")
            return value;
    }
    return {};
}

bool SandboxParseMultipart(std::string_view body, std::string_view boundary, std::vector<SandboxMultipartPart>& parts)
{
    if (boundary.empty())
        return false;
    const std::string delimiter = "--" + std::string(boundary);
    const std::string nextDelimiter = "\r\n" + delimiter;
    size_t pos = body.find(delimiter);
    if (pos == std::string_view::npos)
        return false;
    pos += delimiter.size();
    for (;;) {
        if (body.substr(pos, 2) == "--")
            return true;
        const size_t lineEnd = body.find("\r\n", pos);
        if (lineEnd == std::string_view::npos)
            return false;
        const size_t headerEnd = body.find("\r\n\r\n", lineEnd);
        if (headerEnd == std::string_view::npos)
            return false;
        SandboxMultipartPart part;
        // The header block starts after the delimiter line's CR LF; headerEnd == lineEnd means none.
        std::string_view headers
            = headerEnd > lineEnd ? body.substr(lineEnd + 2, headerEnd - lineEnd - 2) : std::string_view();
        while (!headers.empty()) {
            const size_t end = headers.find("\r\n");
            const std::string_view line = headers.substr(0, end);
            headers = end == std::string_view::npos ? std::string_view() : headers.substr(end + 2);
            const size_t colon = line.find(':');
            if (colon == std::string_view::npos)
                continue;
            const std::string_view name = Trim(line.substr(0, colon));
            const std::string_view value = Trim(line.substr(colon + 1));
            if (SandboxStartsWithNoCase(name, "content-disposition") && name.size() == 19) {
                for (const auto& [param, paramValue] : HeaderParameters(value)) {
                    if (param == "name") {
                        part.name = paramValue;
                    } else if (param == "filename") {
                        part.fileName = paramValue;
                        part.hasFileName = true;
                    }
                }
            } else if (SandboxStartsWithNoCase(name, "content-type") && name.size() == 12) {
                part.contentType.assign(value);
            }
        }
        const size_t valueStart = headerEnd + 4;
        const size_t valueEnd = body.find(nextDelimiter, valueStart);
        if (valueEnd == std::string_view::npos)
            return false;
        part.value.assign(body.substr(valueStart, valueEnd - valueStart));
        parts.push_back(std::move(part));
        pos = valueEnd + nextDelimiter.size();
    }
}

std::string SandboxHtmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#039;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string SandboxJsonString(std::string_view text, bool asciiEscapes)
{
    std::string out = "\"";
    if (asciiEscapes) {
        const std::string units = text::ConvertCharset(text, text::kInternalCharset, "UTF-16BE");
        for (size_t i = 0; i + 1 < units.size(); i += 2) {
            const unsigned unit
                = (static_cast<unsigned char>(units[i]) << 8) | static_cast<unsigned char>(units[i + 1]);
            if (unit < 0x80) {
                AppendJsonAscii(out, static_cast<unsigned char>(unit));
            } else {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", unit);
                out += buffer;
            }
        }
    } else {
        for (size_t i = 0; i < text.size();) {
            const auto c = static_cast<unsigned char>(text[i]);
            size_t length = 1;
            if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
                const auto second = static_cast<unsigned char>(text[i + 1]);
                length = (second >= 0x30 && second <= 0x39) ? 4 : 2;
            }
            if (length == 1 && c < 0x80)
                AppendJsonAscii(out, c);
            else
                out.append(text.substr(i, length));
            i += length;
        }
    }
    out += '"';
    return out;
}

bool SandboxStartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(text[i]) != LowerAscii(prefix[i]))
            return false;
    }
    return true;
}

} // namespace kc::ecshop
