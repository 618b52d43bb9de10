#include "digest/Sha1.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Hex(const CSha1::Digest& digest) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

// The FIPS 180 examples, and messages whose padding ends exactly at or just past a block.
TEST(Sha1Test, KnownDigests) {
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmno"
         "pqrlmnopqrsmnopqrstnopqrstu",
         "a49b2446a02c645bf419f995b67091253a04a259"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(CSha1::Of(c.message)), c.digest) << c.message.size() << " bytes";
    }
}

TEST(Sha1Test, PiecesGiveTheDigestOfTheWhole) {
    const std::string message(200, 'x');
    CSha1 sha;
    for (std::size_t at = 0; at < message.size(); at += 7) sha.Update(message.substr(at, 7));
    EXPECT_EQ(Hex(sha.Finish()), Hex(CSha1::Of(message)));
}

}  // namespace
