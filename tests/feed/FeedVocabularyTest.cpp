#include "feed/FeedVocabulary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

// The position of the name among the keys, by comparing with each.
int Reference(const std::string& name) {
    const auto keys = CFeedVocabulary::GetKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (name == keys[i].name) return static_cast<int>(i);
    }
    return -1;
}

TEST(FeedVocabularyTest, FindsExactlyTheKeysNames) {
    const auto keys = CFeedVocabulary::GetKeys();
    ASSERT_EQ(keys.size(), CFeedVocabulary::kKeyCount);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string name = keys[i].name;
        EXPECT_EQ(CFeedVocabulary::FindKeyIndex(name), static_cast<int>(i)) << name;
        EXPECT_EQ(CFeedVocabulary::FindKey(name), &keys[i]) << name;
        std::string lower = name;
        std::string upper = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string nearMisses[] = {
            lower,          upper,      name + " ",  " " + name, name.substr(0, name.size() - 1),
            name.substr(1), name + "x", name + '\0',
        };
        for (const std::string& miss : nearMisses) {
            EXPECT_EQ(CFeedVocabulary::FindKeyIndex(miss), Reference(miss)) << miss;
        }
    }
    for (const char* other : {"", "=", "DroppedOccurence 0", "Repeat ", "ShowStart"}) {
        EXPECT_EQ(CFeedVocabulary::FindKeyIndex(other), -1) << other;
        EXPECT_EQ(CFeedVocabulary::FindKey(other), nullptr) << other;
    }
}

}  // namespace
