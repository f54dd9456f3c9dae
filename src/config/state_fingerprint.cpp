// CRC-32 fingerprints over zlib's crc32, which is the IEEE CRC-32.
#include "config/state_fingerprint.h"

#include <cstdio>
#include <zlib.h>

namespace kc::config {

uint32_t Crc32(std::string_view bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes its length as uInt; feed large inputs in pieces.
    while (!bytes.empty()) {
        const size_t piece = bytes.size() < (1u << 30) ? bytes.size() : (1u << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(piece));
        bytes.remove_prefix(piece);
    }
    return static_cast<uint32_t>(crc);
}

std::string CrcHex(uint32_t crc)
{
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(crc));
    return buffer;
}

void StateFingerprint::Add(std::string_view state)
{
    if (!state.empty())
        m_work += CrcHex(Crc32(state));
}

std::string StateFingerprint::Result() const
{
    return m_work.empty() ? std::string() : CrcHex(Crc32(m_work));
}

} // namespace kc::config
