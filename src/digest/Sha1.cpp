#include "digest/Sha1.h"

namespace {

std::uint32_t Rotate(std::uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

}  // namespace

CSha1::CSha1() : m_state{0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u} {}

void CSha1::Update(std::string_view bytes) {
    m_length += bytes.size();
    for (const char c : bytes) {
        m_buffer[m_buffered++] = static_cast<std::uint8_t>(c);
        if (m_buffered == m_buffer.size()) {
            Block(m_buffer.data());
            m_buffered = 0;
        }
    }
}

CSha1::Digest CSha1::Finish() {
    const std::uint64_t bits = m_length * 8;
    Update(std::string_view("\x80", 1));
    while (m_buffered != 56) Update(std::string_view("\0", 1));
    char length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<char>(bits >> (56 - 8 * i));
    Update(std::string_view(length, 8));
    Digest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) {
        digest[i] = static_cast<std::uint8_t>(m_state[i / 4] >> (24 - 8 * (i % 4)));
    }
    return digest;
}

CSha1::Digest CSha1::Of(std::string_view bytes) {
    CSha1 sha;
    sha.Update(bytes);
    return sha.Finish();
}

void CSha1::Block(const std::uint8_t* block) {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t) {
        w[t] = (std::uint32_t{block[4 * t]} << 24) | (std::uint32_t{block[4 * t + 1]} << 16) |
               (std::uint32_t{block[4 * t + 2]} << 8) | std::uint32_t{block[4 * t + 3]};
    }
    for (int t = 16; t < 80; ++t) w[t] = Rotate(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint32_t a = m_state[0];
    std::uint32_t b = m_state[1];
    std::uint32_t c = m_state[2];
    std::uint32_t d = m_state[3];
    std::uint32_t e = m_state[4];
    for (int t = 0; t < 80; ++t) {
        std::uint32_t f;
        std::uint32_t k;
        if (t < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999u;
        } else if (t < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1u;
        } else if (t < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDCu;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6u;
        }
        const std::uint32_t temp = Rotate(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = Rotate(b, 30);
        b = a;
        a = temp;
    }
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
    m_state[4] += e;
}
