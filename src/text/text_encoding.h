// Where outside bytes become internal text and internal text becomes file bytes in another encoding.
//
// Internal text is a byte string in GB18030: byte for byte GBK for every GBK character, with the
// characters GBK cannot hold kept as four-byte sequences instead of being lost.
#pragma once

#include <string>
#include <string_view>

namespace kc::text {

// How a file's bytes are read or written. The file-encoding combo box stores codes 0 to 3.
enum TextEncoding : int {
    kEncodingAuto = 0, // detect on reading; written as GBK
    kEncodingGbk = 1, // the bytes are internal text as they stand
    kEncodingUtf8 = 2,
    kEncodingUtf16Le = 3, // shown to the user as "Unicode"
    kEncodingUtf16Be = 4,
    kEncodingBig5 = 5,
    kEncodingBig5Hkscs = 6,
};

// The charset every conversion into internal text targets and every conversion out of it starts from.
inline constexpr std::string_view kInternalCharset = "GB18030";

// Reads a file (path non-empty, internal text) or a buffer (bytes, else text) into internal text.
// requested is a TextEncoding; detected (optional) receives the encoding actually applied, and is left
// alone when the file cannot be opened. The text ends at its first zero byte.
std::string LoadText(std::string_view path, int requested = kEncodingAuto, int* detected = nullptr,
    std::string_view bytes = {}, std::string_view text = {});

// What ReadRegularFile found at a path.
enum class RegularFile {
    kRead, // a regular file (a link is followed), read whole
    kNotRegular, // something else: a folder, a pipe, a device
    kUnreadable, // nothing there, no permission, or a failed read
};

// Reads the whole file at path (internal text) into bytes, when it is a regular file: its type comes from the
// opened file, so a caller that checked the path first and read it afterwards can do both in one open.
// bytes is empty unless the result is kRead.
RegularFile ReadRegularFile(std::string_view path, std::string& bytes);

// Encodes internal text and writes it as the whole content of path. bytes (optional) receives the
// encoded bytes even when path is empty (then nothing is written and the result is false).
bool SaveText(
    std::string_view path, std::string_view text, int encoding, std::string* bytes = nullptr, bool withoutBom = false);

// Re-encodes bytes between two charsets named as the converters know them ("GB18030", "UTF-8",
// "UTF-16LE", "UTF-16BE", "BIG5", "BIG5-HKSCS", "GBK", "gb2312", …, case ignored). The result never
// carries a byte-order mark; it is empty when either name is unknown or the input is empty.
std::string ConvertCharset(std::string_view bytes, std::string_view fromName, std::string_view toName);

// The charset an HTML text declares in a meta tag of its head: 0 none, 1 UTF-8, 2 Big5, 3 Big5-HKSCS.
int DeclaredCharset(std::string_view html);

// True when the bytes hold at least one two- or three-byte UTF-8 sequence and nothing that is not
// 7-bit or such a sequence (four-byte sequences make it false; overlong two-byte forms pass).
bool LooksLikeUtf8(std::string_view bytes);

// The decoded bytes of a gzip stream; as much as could be decoded when the stream is damaged.
std::string GunzipBytes(std::string_view bytes);

} // namespace kc::text
