// The SHA-256 message digest (FIPS 180-4), to recognise a feed body that was imported before.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CSha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    CSha256();
    // Adds bytes to the message; any number of calls, any lengths.
    void Update(std::string_view bytes);
    // The digest of everything added. REQUIRES: called once; the object is spent afterwards.
    Digest Finish();

    static Digest Of(std::string_view bytes);
    // 64 lower-case hexadecimal digits.
    static std::string ToHex(const Digest& digest);

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> m_state;
    std::array<std::uint8_t, 64> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_length = 0;  // bytes added
};
