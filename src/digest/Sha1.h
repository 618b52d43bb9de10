// The SHA-1 message digest (FIPS 180-4), for name-based UUIDs: not for security.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

class CSha1 {
public:
    using Digest = std::array<std::uint8_t, 20>;

    CSha1();
    // Adds bytes to the message; any number of calls, any lengths.
    void Update(std::string_view bytes);
    // The digest of everything added. REQUIRES: called once; the object is spent afterwards.
    Digest Finish();

    static Digest Of(std::string_view bytes);

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 5> m_state;
    std::array<std::uint8_t, 64> m_buffer{};
    std::size_t m_buffered = 0;
    std::uint64_t m_length = 0;  // bytes added
};
