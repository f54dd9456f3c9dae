// The small server-side codecs of the sandbox shop: form and multipart decoding, HTML and JSON writing.
//
// These read what a browser or our client sends and write what a PHP back end answers. They work on
// bytes; the shop converts between its flavour's encoding and internal text around them.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kc::ecshop {

// One name=value pair of a query string or form body, in arrival order.
using SandboxFormField = std::pair<std::string, std::string>;

// One part of a multipart/form-data body.
struct SandboxMultipartPart {
    std::string name;
    std::string fileName; // meaningful only when hasFileName
    bool hasFileName = false; // the part declared filename=, even an empty one: a file input
    std::string contentType;
    std::string value; // the raw bytes between the part's header and its closing CR LF
};

// Percent-decodes bytes: %XX with two hex digits becomes that byte, anything else stays as written;
// with plusIsSpace a "+" becomes a blank (form bodies and query strings).
std::string SandboxPercentDecode(std::string_view text, bool plusIsSpace);

// Splits "a=1&b=2" into decoded pairs (bytes, no charset conversion). A piece without "=" is a name
// with an empty value; empty pieces are skipped.
std::vector<SandboxFormField> SandboxParseFormFields(std::string_view text);

// The boundary parameter of a multipart content type (quotes removed), or empty text.
std::string SandboxMultipartBoundary(std::string_view contentType);

// Splits a multipart body at the boundary. False when the body has no opening delimiter or a part has
// no header end; parts read before the fault are kept in parts.
bool SandboxParseMultipart(std::string_view body, std::string_view boundary, std::vector<SandboxMultipartPart>& parts);

// Escapes & < > " ' for HTML text and attribute values. Safe on GBK/GB18030 bytes: no trail byte of
// those encodings falls in the range of the escaped characters.
std::string SandboxHtmlEscape(std::string_view text);

// A quoted JSON string of internal text. With asciiEscapes every non-ASCII character becomes \uXXXX
// (UTF-16 units, surrogate pairs beyond the BMP); without, the GB18030 bytes are copied as they are,
// walking whole characters so that a trail byte equal to "\" or a quote is never escaped on its own.
// "/" is written "\/" either way, as PHP back ends do.
std::string SandboxJsonString(std::string_view text, bool asciiEscapes);

// Case-insensitive ASCII prefix test.
bool SandboxStartsWithNoCase(std::string_view text, std::string_view prefix);

} // namespace kc::ecshop
