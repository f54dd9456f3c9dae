// Charset detection and conversion between outside bytes and internal text, over ICU and zlib.
#include "text/text_encoding.h"

#include "platform/event_pump.h"
#include "text/gb18030_fast_path.h"
#include "text/native_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/ucnv.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <system_error>

namespace kc::text {
namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Opening a converter parses its tables; each thread keeps the ones it has used.
UConverter* CachedConverter(std::string_view name)
{
    thread_local std::map<std::string, ConverterPtr, std::less<>> cache;
    const std::string key = LowerAscii(name);
    if (auto it = cache.find(key); it != cache.end()) {
        ucnv_reset(it->second.get());
        return it->second.get();
    }
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(key.c_str(), &status));
    if (U_FAILURE(status) || !converter)
        return nullptr;
    return cache.emplace(key, std::move(converter)).first->second.get();
}

bool StartsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.size() >= prefix.size() && bytes.compare(0, prefix.size(), prefix) == 0;
}

std::string_view UpToFirstZero(std::string_view bytes)
{
    return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

const char* CharsetOf(int encoding)
{
    switch (encoding) {
    case kEncodingUtf8:
        return "UTF-8";
    case kEncodingUtf16Le:
        return "UTF-16LE";
    case kEncodingUtf16Be:
        return "UTF-16BE";
    case kEncodingBig5:
        return "BIG5";
    case kEncodingBig5Hkscs:
        return "BIG5-HKSCS";
    default:
        return nullptr;
    }
}

std::string_view ByteOrderMarkOf(int encoding)
{
    switch (encoding) {
    case kEncodingUtf8:
        return "\xEF\xBB\xBF";
    case kEncodingUtf16Le:
        return "\xFF\xFE";
    case kEncodingUtf16Be:
        return "\xFE\xFF";
    default:
        return {};
    }
}

// A file's bytes, read without zero-filling the buffer first (files can be tens of megabytes).
struct FileBytes {
    std::unique_ptr<char[]> data;
    size_t size = 0;
};

// What opening a path for a whole read found.
enum class Opened { kRead, kRejected, kFailed };

// One open, the type and size from the open file, one read: a folder (or, with regularOnly, anything but a
// regular file) is told from a file by what was opened, and an article of a few hundred bytes costs no
// stream set-up and no second look-up of its path. A pipe opens without waiting for a writer. room(size)
// gives the buffer for the bytes; size receives how many were read.
template <typename Room> Opened ReadWholeFile(std::string_view path, bool regularOnly, Room room, size_t& size)
{
    size = 0;
    const std::string native = NativePathText(path);
    const int flags = O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0);
    // Reading leaves the file's access time alone: otherwise the first read of a freshly written article
    // makes the file system journal an inode change for every published article. Only the owner may ask
    // for that, so a file of another user is opened the ordinary way.
    int fd = ::open(native.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::open(native.c_str(), flags);
    if (fd < 0)
        return Opened::kFailed;
    struct stat info { };
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return Opened::kFailed;
    }
    if (regularOnly ? !S_ISREG(info.st_mode) : S_ISDIR(info.st_mode)) {
        ::close(fd);
        return Opened::kRejected;
    }
    bool ok = true;
    if (info.st_size > 0) {
        const auto wanted = static_cast<size_t>(info.st_size);
        char* data = room(wanted);
        // Up to the size it had when opened; a file cut short meanwhile gives what it still holds.
        while (size < wanted) {
            const ssize_t got = ::read(fd, data + size, wanted - size);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            size += static_cast<size_t>(got);
        }
    }
    ::close(fd);
    return ok ? Opened::kRead : Opened::kFailed;
}

char LowerAsciiChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII case-insensitive search. Markers start with "<", so candidates are found with memchr.
size_t FindIgnoringCase(std::string_view haystack, std::string_view needle, size_t from)
{
    const size_t m = needle.size();
    if (from > haystack.size() || haystack.size() - from < m)
        return std::string_view::npos;
    if (m == 0)
        return from;
    const size_t last = haystack.size() - m;
    const char first = needle.front();
    const bool letter = LowerAsciiChar(first) != first || (first >= 'a' && first <= 'z');
    for (size_t i = from; i <= last; ++i) {
        if (!letter) {
            const void* hit = std::memchr(haystack.data() + i, first, last - i + 1);
            if (!hit)
                return std::string_view::npos;
            i = static_cast<size_t>(static_cast<const char*>(hit) - haystack.data());
        } else if (LowerAsciiChar(haystack[i]) != LowerAsciiChar(first)) {
            continue;
        }
        size_t k = 1;
        while (k < m && LowerAsciiChar(haystack[i + k]) == LowerAsciiChar(needle[k]))
            ++k;
        if (k == m)
            return i;
    }
    return std::string_view::npos;
}

bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle)
{
    return FindIgnoringCase(haystack, needle, 0) != std::string_view::npos;
}

bool IsUtf8Name(std::string_view name)
{
    const std::string lower = LowerAscii(name);
    return lower == "utf-8" || lower == "utf8";
}

} // namespace

std::string ConvertCharset(std::string_view bytes, std::string_view fromName, std::string_view toName)
{
    if (bytes.empty())
        return {};
    if (IsUtf8Name(fromName) && LowerAscii(toName) == "gb18030") {
        if (std::optional<std::string> fast = Utf8ToGb18030Fast(bytes))
            return std::move(*fast);
    }
    if (LowerAscii(fromName) == "gb18030" && IsUtf8Name(toName)) {
        if (std::optional<std::string> fast = Gb18030ToUtf8Fast(bytes))
            return std::move(*fast);
    }
    UConverter* source = CachedConverter(fromName);
    UConverter* target = CachedConverter(toName);
    if (!source || !target)
        return {};
    // A source that starts with a byte-order mark keeps it as a character; the targets get none
    // because ICU writes marks only for the unmarked "UTF-16"/"UTF-32" names.
    std::string out;
    out.resize(bytes.size() * 2 + 16);
    std::array<UChar, 4096> pivot{};
    UChar* pivotSource = pivot.data();
    UChar* pivotTarget = pivot.data();
    const char* in = bytes.data();
    const char* inEnd = bytes.data() + bytes.size();
    size_t written = 0;
    for (;;) {
        char* outPos = out.data() + written;
        char* outEnd = out.data() + out.size();
        UErrorCode status = U_ZERO_ERROR;
        ucnv_convertEx(target, source, &outPos, outEnd, &in, inEnd, pivot.data(), &pivotSource, &pivotTarget,
            pivot.data() + pivot.size(), written == 0 && in == bytes.data(), true, &status);
        written = static_cast<size_t>(outPos - out.data());
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        if (U_FAILURE(status))
            return {};
        break;
    }
    out.resize(written);
    const std::string target_lower = LowerAscii(toName);
    if ((target_lower == "utf-8" && StartsWith(out, "\xEF\xBB\xBF"))
        || (target_lower == "utf-16le" && StartsWith(out, "\xFF\xFE")))
        out.erase(0, target_lower == "utf-8" ? 3 : 2);
    return out;
}

bool LooksLikeUtf8(std::string_view bytes)
{
    constexpr size_t kPumpEvery = 1 << 20;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    bool sawSequence = false;
    size_t nextPump = kPumpEvery;
    for (size_t i = 0; i < n;) {
        if (i >= nextPump) {
            platform::PumpEvents();
            nextPump += kPumpEvery;
        }
        const unsigned char c = p[i];
        if (c < 0x80) {
            i = AsciiRunEnd(p, i + 1, n);
        } else if (i + 1 < n && (c & 0xE0) == 0xC0 && (p[i + 1] & 0xC0) == 0x80) {
            i += 2;
            sawSequence = true;
        } else if (i + 2 < n && (c & 0xF0) == 0xE0 && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
            i += 3;
            sawSequence = true;
        } else {
            return false;
        }
    }
    return sawSequence;
}

int DeclaredCharset(std::string_view html)
{
    std::string_view head;
    if (const size_t open = FindIgnoringCase(html, "<head>", 0); open != std::string_view::npos) {
        const size_t start = open + 6;
        if (const size_t close = FindIgnoringCase(html, "</head>", start); close != std::string_view::npos)
            head = html.substr(start, close - start);
    }
    if (head.empty())
        head = html;

    static constexpr std::array<std::array<std::string_view, 3>, 3> kDeclarations = {{
        {"charset=UTF-8", "charset=\"UTF-8\"", "charset='UTF-8'"},
        {"charset=Big5", "charset=\"Big5\"", "charset='Big5'"},
        {"charset=Big5-HKSCS", "charset=\"Big5-HKSCS\"", "charset='Big5-HKSCS'"},
    }};
    size_t position = 0;
    for (;;) {
        const size_t open = FindIgnoringCase(head, "<meta", position);
        if (open == std::string_view::npos)
            return 0;
        const size_t start = open + 5;
        const size_t close = head.find('>', start);
        if (close == std::string_view::npos || close == start)
            return 0;
        const std::string_view piece = head.substr(start, close - start);
        position = close + 1;
        for (size_t d = 0; d < kDeclarations.size(); ++d)
            for (std::string_view alternative : kDeclarations[d])
                if (ContainsIgnoringCase(piece, alternative))
                    return static_cast<int>(d) + 1;
    }
}

std::string GunzipBytes(std::string_view bytes)
{
    std::string out;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return out;
    std::array<char, 65536> buffer{};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = static_cast<uInt>(buffer.size());
        const int status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer.data(), buffer.size() - stream.avail_out);
        if (status == Z_STREAM_END && stream.avail_in > 0) {
            // Concatenated members decode as one stream.
            inflateReset(&stream);
            continue;
        }
        if (status != Z_OK)
            break;
        if (stream.avail_in == 0 && stream.avail_out != 0)
            break;
    }
    inflateEnd(&stream);
    return out;
}

std::string LoadText(std::string_view path, int requested, int* detected, std::string_view bytes, std::string_view text)
{
    FileBytes fileBytes;
    std::string_view input;
    if (!path.empty()) {
        const auto room = [&fileBytes](size_t size) {
            fileBytes.data.reset(new char[size]);
            return fileBytes.data.get();
        };
        if (ReadWholeFile(path, false, room, fileBytes.size) != Opened::kRead)
            return {};
        input = std::string_view(fileBytes.data.get(), fileBytes.size);
    } else {
        input = bytes.empty() ? text : bytes;
    }

    std::string inflated;
    if (StartsWith(input, "\x1F\x8B")) {
        inflated = GunzipBytes(input);
        if (!inflated.empty())
            input = inflated;
    }

    int applied = (requested >= kEncodingAuto && requested <= kEncodingBig5Hkscs) ? requested : kEncodingGbk;
    size_t position = 0;
    switch (applied) {
    case kEncodingUtf16Le:
    case kEncodingUtf16Be:
        position = 2;
        break;
    case kEncodingUtf8:
        position = StartsWith(input, "\xEF\xBB\xBF") ? 3 : 0;
        break;
    case kEncodingAuto:
        if (StartsWith(input, "\xEF\xBB\xBF")) {
            applied = kEncodingUtf8;
            position = 3;
        } else if (StartsWith(input, "\xFF\xFE")) {
            applied = kEncodingUtf16Le;
            position = 2;
        } else if (StartsWith(input, "\xFE\xFF")) {
            applied = kEncodingUtf16Be;
            position = 2;
        } else {
            switch (DeclaredCharset(UpToFirstZero(input))) {
            case 1:
                applied = kEncodingUtf8;
                break;
            case 2:
                applied = kEncodingBig5;
                break;
            case 3:
                applied = kEncodingBig5Hkscs;
                break;
            default:
                break;
            }
        }
        break;
    default:
        break;
    }

    const std::string_view rest = input.substr(std::min(position, input.size()));
    std::string answer;
    if (applied == kEncodingAuto) {
        // Well-formed UTF-8 with a multi-byte sequence and no four-byte one is exactly what the UTF-8 test
        // accepts (bar overlong forms, which the converter rejects): convert and test in one pass.
        Utf8Stats stats;
        if (std::optional<std::string> fast = Utf8ToGb18030Fast(rest, &stats);
            fast && stats.multiByte && !stats.fourByte) {
            applied = kEncodingUtf8;
            answer = std::move(*fast);
        } else if (fast && !stats.multiByte) {
            // 7-bit throughout: the same bytes as internal text, which the copy already is.
            applied = kEncodingGbk;
            answer = std::move(*fast);
        } else if (LooksLikeUtf8(rest)) {
            applied = kEncodingUtf8;
        }
    }
    if (const char* charset = CharsetOf(applied); charset && !rest.empty() && answer.empty())
        answer = ConvertCharset(rest, charset, kInternalCharset);
    if (const size_t zero = answer.find('\0'); zero != std::string::npos)
        answer.resize(zero);
    if (answer.empty()) {
        answer.assign(UpToFirstZero(input));
        applied = kEncodingGbk;
    }
    if (detected)
        *detected = applied;
    return answer;
}

RegularFile ReadRegularFile(std::string_view path, std::string& bytes)
{
    bytes.clear();
    size_t size = 0;
    const auto room = [&bytes](size_t wanted) {
        bytes.resize(wanted);
        return bytes.data();
    };
    const Opened opened = ReadWholeFile(path, true, room, size);
    bytes.resize(opened == Opened::kRead ? size : 0);
    if (opened == Opened::kRead)
        return RegularFile::kRead;
    return opened == Opened::kRejected ? RegularFile::kNotRegular : RegularFile::kUnreadable;
}

bool SaveText(std::string_view path, std::string_view text, int encoding, std::string* bytes, bool withoutBom)
{
    std::string encoded(text);
    if (const char* charset = CharsetOf(encoding)) {
        std::string converted = ConvertCharset(text, kInternalCharset, charset);
        if (!converted.empty()) {
            encoded = withoutBom ? std::move(converted) : std::string(ByteOrderMarkOf(encoding)) + converted;
        }
    }
    bool written = false;
    if (!path.empty()) {
        std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
        if (out) {
            out.write(encoded.data(), static_cast<std::streamsize>(encoded.size()));
            out.close();
            written = !out.fail();
        }
    }
    if (bytes)
        *bytes = std::move(encoded);
    return written;
}

} // namespace kc::text
