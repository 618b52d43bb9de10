// Takes bounded values from the front of a fuzz input, so that one input always decodes to
// the same values and a shorter input simply gives zeros for what it lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CByteReader {
public:
    CByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_pos >= m_size; }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint32_t UInt32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
        return value;
    }
    // A value in [low, high], both inclusive. REQUIRES: low <= high.
    std::int64_t Range(std::int64_t low, std::int64_t high) {
        const std::uint64_t width = static_cast<std::uint64_t>(high - low) + 1;
        const std::uint64_t raw = static_cast<std::uint64_t>(UInt32()) << 32 | UInt32();
        return low + static_cast<std::int64_t>(width == 0 ? raw : raw % width);
    }
    // Up to `maxLength` bytes, the length taken first.
    std::string Text(std::size_t maxLength) {
        std::size_t length =
            static_cast<std::size_t>(Range(0, static_cast<std::int64_t>(maxLength)));
        std::string text;
        while (length-- > 0 && !Empty()) text.push_back(static_cast<char>(Byte()));
        return text;
    }
    // Everything not read yet.
    std::string Rest() {
        std::string text(reinterpret_cast<const char*>(m_data) + m_pos,
                         reinterpret_cast<const char*>(m_data) + m_size);
        m_pos = m_size;
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};
