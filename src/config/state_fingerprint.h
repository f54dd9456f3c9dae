// The fingerprint of a window's control states, by which windows notice that settings changed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kc::config {

// CRC-32 (IEEE: reflected polynomial EDB88320, initial value and final XOR all ones).
uint32_t Crc32(std::string_view bytes);

// A CRC as eight upper-case hexadecimal digits.
std::string CrcHex(uint32_t crc);

// Collects the controls' states in walking order. Each non-empty state adds its CRC to a work text; the
// fingerprint is the CRC of that work text, or empty text when no state was added.
class StateFingerprint {
public:
    void Add(std::string_view state);
    std::string Result() const;

private:
    std::string m_work;
};

} // namespace kc::config
