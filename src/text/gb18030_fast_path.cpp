// Table-driven converters between UTF-8 and GB18030: ICU fills the tables once, the loops then need no pivot
// buffer.
#include "text/gb18030_fast_path.h"

#include "platform/event_pump.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace kc::text {
namespace {

// For each BMP code point: its GB18030 bytes, the first in the lowest byte of the word. The length needs no
// field of its own: one byte below 80, four when the second byte is a digit, else two. Surrogates are 0
// (never looked up: they are not well-formed UTF-8).
using BmpTable = std::array<uint32_t, 0x10000>;

std::unique_ptr<BmpTable> BuildTable()
{
    auto table = std::make_unique<BmpTable>();
    std::vector<UChar> all;
    all.reserve(0x10000);
    for (uint32_t cp = 1; cp < 0x10000; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF)
            all.push_back(static_cast<UChar>(cp));
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("GB18030", &status);
    if (U_FAILURE(status))
        return nullptr;
    std::vector<char> bytes(all.size() * 4 + 16);
    const int32_t length = ucnv_fromUChars(converter, bytes.data(), static_cast<int32_t>(bytes.size()), all.data(),
        static_cast<int32_t>(all.size()), &status);
    ucnv_close(converter);
    if (U_FAILURE(status))
        return nullptr;
    // GB18030 is self-delimiting: one byte below 80, four when the second byte is a digit, else two.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    int32_t at = 0;
    for (UChar cp : all) {
        if (at >= length)
            return nullptr;
        int32_t count = 1;
        if (p[at] >= 0x80)
            count = (at + 1 < length && p[at + 1] >= 0x30 && p[at + 1] <= 0x39) ? 4 : 2;
        uint32_t packed = 0;
        for (int32_t i = 0; i < count; ++i)
            packed |= static_cast<uint32_t>(p[at + i]) << (8 * i);
        (*table)[cp] = packed;
        at += count;
    }
    return table;
}

const BmpTable* Table()
{
    static const std::unique_ptr<BmpTable> table = BuildTable();
    return table.get();
}

// For each two-byte sequence (lead 81 to FE, trail 40 to FE): its code point, or 0 where no code point's
// GB18030 form is that sequence (ICU maps it one way only or not at all; the general converter decides).
constexpr size_t kTrailCount = 0xFE - 0x40 + 1;
using PairTable = std::array<uint16_t, (0xFE - 0x81 + 1) * kTrailCount>;

std::unique_ptr<PairTable> BuildPairTable()
{
    const BmpTable* forward = Table();
    if (!forward)
        return nullptr;
    auto pairs = std::make_unique<PairTable>();
    for (uint32_t cp = 0x80; cp < 0x10000; ++cp) {
        const uint32_t packed = (*forward)[cp];
        const uint32_t lead = packed & 0xFF;
        const uint32_t trail = packed >> 8 & 0xFF;
        if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE)
            (*pairs)[(lead - 0x81) * kTrailCount + (trail - 0x40)] = static_cast<uint16_t>(cp);
    }
    // A code point ICU writes only by a fallback would read back as another one: every pair is read back once
    // through ICU and kept only where it gives the code point the table holds.
    std::vector<char> bytes;
    std::vector<size_t> slots;
    for (size_t slot = 0; slot < pairs->size(); ++slot) {
        if ((*pairs)[slot] == 0)
            continue;
        bytes.push_back(static_cast<char>(0x81 + slot / kTrailCount));
        bytes.push_back(static_cast<char>(0x40 + slot % kTrailCount));
        slots.push_back(slot);
    }
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("GB18030", &status);
    if (U_FAILURE(status))
        return nullptr;
    std::vector<UChar> read(slots.size() + 16);
    const int32_t length = ucnv_toUChars(converter, read.data(), static_cast<int32_t>(read.size()), bytes.data(),
        static_cast<int32_t>(bytes.size()), &status);
    ucnv_close(converter);
    if (U_FAILURE(status) || length != static_cast<int32_t>(slots.size()))
        return nullptr;
    for (size_t k = 0; k < slots.size(); ++k)
        if (read[k] != (*pairs)[slots[k]])
            (*pairs)[slots[k]] = 0;
    return pairs;
}

const PairTable* Pairs()
{
    static const std::unique_ptr<PairTable> pairs = BuildPairTable();
    return pairs.get();
}

// Writes one character's bytes at out and returns the position after them.
inline char* Put(char* out, uint32_t packed)
{
    const auto first = static_cast<unsigned char>(packed & 0xFF);
    const auto second = static_cast<unsigned char>(packed >> 8 & 0xFF);
    out[0] = static_cast<char>(first);
    if (first < 0x80)
        return out + 1;
    out[1] = static_cast<char>(second);
    if (second < 0x30 || second > 0x39)
        return out + 2;
    out[2] = static_cast<char>(packed >> 16 & 0xFF);
    out[3] = static_cast<char>(packed >> 24 & 0xFF);
    return out + 4;
}

} // namespace

std::optional<std::string> Utf8ToGb18030Fast(std::string_view utf8, Utf8Stats* stats)
{
    const BmpTable* table = Table();
    if (!table)
        return std::nullopt;
    // Characters are written into a small buffer that is appended to the result when nearly full, so the
    // result's memory is touched once (no zero-filling of a worst-case-sized buffer).
    std::string out;
    out.reserve(utf8.size());
    constexpr size_t kChunk = 1 << 16;
    char chunk[kChunk + 8];
    char* w = chunk;
    unsigned flushes = 0;
    bool multiByte = false;
    bool fourByte = false;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        if (w - chunk >= static_cast<std::ptrdiff_t>(kChunk)) {
            out.append(chunk, static_cast<size_t>(w - chunk));
            if (stats) {
                stats->multiByte = multiByte || fourByte;
                stats->fourByte = fourByte;
            }
            w = chunk;
            if ((++flushes & 15) == 0)
                platform::PumpEvents();
        }
        // Runs of ASCII are the same bytes in both encodings.
        if (p[i] < 0x80) {
            const size_t run = AsciiRunEnd(p, i + 1, std::min(n, i + kChunk - static_cast<size_t>(w - chunk)));
            std::memcpy(w, p + i, run - i);
            w += run - i;
            i = run;
            continue;
        }
        const unsigned char c = p[i];
        uint32_t cp;
        if (c >= 0xE0 && c <= 0xEF && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
            cp = (static_cast<uint32_t>(c & 0x0F) << 12) | (static_cast<uint32_t>(p[i + 1] & 0x3F) << 6)
                | (p[i + 2] & 0x3F);
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))
                return std::nullopt;
            i += 3;
        } else if (c >= 0xC2 && c <= 0xDF && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
            cp = (static_cast<uint32_t>(c & 0x1F) << 6) | (p[i + 1] & 0x3F);
            i += 2;
        } else if (c >= 0xF0 && c <= 0xF4 && i + 3 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80
            && (p[i + 3] & 0xC0) == 0x80) {
            cp = (static_cast<uint32_t>(c & 0x07) << 18) | (static_cast<uint32_t>(p[i + 1] & 0x3F) << 12)
                | (static_cast<uint32_t>(p[i + 2] & 0x3F) << 6) | (p[i + 3] & 0x3F);
            if (cp < 0x10000 || cp > 0x10FFFF)
                return std::nullopt;
            fourByte = true;
            // Supplementary planes map linearly onto four-byte codes starting at 90 30 81 30.
            uint32_t index = cp - 0x10000;
            w[3] = static_cast<char>(0x30 + index % 10);
            index /= 10;
            w[2] = static_cast<char>(0x81 + index % 126);
            index /= 126;
            w[1] = static_cast<char>(0x30 + index % 10);
            index /= 10;
            w[0] = static_cast<char>(0x90 + index);
            w += 4;
            i += 4;
            continue;
        } else {
            return std::nullopt;
        }
        multiByte = true;
        w = Put(w, (*table)[cp]);
    }
    out.append(chunk, static_cast<size_t>(w - chunk));
    if (stats) {
        stats->multiByte = multiByte || fourByte;
        stats->fourByte = fourByte;
    }
    return out;
}

std::optional<std::string> Gb18030ToUtf8Fast(std::string_view gb)
{
    const PairTable* pairs = Pairs();
    if (!pairs)
        return std::nullopt;
    // A two-byte character becomes at most three bytes, so half as much again always suffices.
    std::string out;
    out.resize(gb.size() + gb.size() / 2);
    auto* w = reinterpret_cast<unsigned char*>(out.data());
    const auto* p = reinterpret_cast<const unsigned char*>(gb.data());
    const size_t n = gb.size();
    constexpr size_t kPumpEvery = 1 << 20;
    size_t nextPump = kPumpEvery;
    size_t i = 0;
    while (i < n) {
        if (i >= nextPump) {
            platform::PumpEvents();
            nextPump += kPumpEvery;
        }
        if (p[i] < 0x80) {
            const size_t run = AsciiRunEnd(p, i + 1, n);
            std::memcpy(w, p + i, run - i);
            w += run - i;
            i = run;
            continue;
        }
        if (i + 1 >= n || p[i] < 0x81 || p[i] > 0xFE || p[i + 1] < 0x40 || p[i + 1] > 0xFE)
            return std::nullopt;
        const uint32_t cp = (*pairs)[(p[i] - 0x81u) * kTrailCount + (p[i + 1] - 0x40u)];
        if (cp == 0)
            return std::nullopt;
        if (cp < 0x800) {
            *w++ = static_cast<unsigned char>(0xC0 | cp >> 6);
        } else {
            *w++ = static_cast<unsigned char>(0xE0 | cp >> 12);
            *w++ = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
        }
        *w++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        i += 2;
    }
    out.resize(static_cast<size_t>(w - reinterpret_cast<unsigned char*>(out.data())));
    return out;
}

} // namespace kc::text
