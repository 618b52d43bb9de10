#include "sync/GuidIndex.h"

#include <gtest/gtest.h>

#include <string>

#include "support/FakePlatform.h"

namespace {

CDateEntry EntryWithGuid(const std::string& guid) {
    CDateEntry entry;
    entry.Properties.GUID = entry.MakeText(guid);
    return entry;
}

class GuidIndexTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform.Install(); }
    CFakePlatform m_platform;
};

TEST_F(GuidIndexTest, FindsTheFirstEntryOfEachGuid) {
    CDateEntryArray entries;
    for (const char* guid : {"{A}", "{B}", "{A}", "", "{a}", "{B}", ""}) {
        entries.Add(EntryWithGuid(guid));
    }
    CGuidIndex index(entries);
    index.Build(0);
    const struct {
        const char* guid;
        int position;
    } cases[] = {{"{A}", 0}, {"{B}", 1}, {"", 3}, {"{a}", 4}, {"{C}", -1}, {"{A} ", -1}};
    for (const auto& c : cases) EXPECT_EQ(index.Find(c.guid), c.position) << c.guid;
}

TEST_F(GuidIndexTest, AddedPositionsNeverReplaceEarlierOnes) {
    CDateEntryArray entries;
    entries.Add(EntryWithGuid("{A}"));
    CGuidIndex index(entries);
    index.Build(0);
    // Far more additions than the table was sized for: it grows and keeps every position.
    for (int i = 0; i < 1000; ++i)
        index.Add(entries.Add(EntryWithGuid("{" + std::to_string(i) + "}")));
    index.Add(entries.Add(EntryWithGuid("{A}")));
    EXPECT_EQ(index.Find("{A}"), 0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(index.Find("{" + std::to_string(i) + "}"), i + 1) << i;
    }
    EXPECT_EQ(index.Find("{1000}"), -1);
}

// The hash reads the text in words: texts that differ only in a padded tail, a trailing zero
// byte or one byte past a word boundary must still be told apart.
TEST_F(GuidIndexTest, TellsApartTextsThatDifferAtWordBoundaries) {
    const std::string texts[] = {
        std::string(),
        std::string(1, '\0'),
        std::string(2, '\0'),
        "1234567",
        std::string("1234567\0", 8),
        "12345678",
        "123456789",
        "12345679",
        std::string("12345678\0", 9),
        "{0123456789abcdef}",
        "{0123456789abcdeg}",
        "{1123456789abcdef}",
    };
    CDateEntryArray entries;
    for (const std::string& text : texts) entries.Add(EntryWithGuid(text));
    CGuidIndex index(entries);
    index.Build(0);
    for (int i = 0; i < entries.GetSize(); ++i) EXPECT_EQ(index.Find(texts[i]), i) << i;
    EXPECT_EQ(index.Find("1234567 "), -1);
}

TEST_F(GuidIndexTest, EmptyArray) {
    CDateEntryArray entries;
    CGuidIndex index(entries);
    EXPECT_EQ(index.Find("{A}"), -1) << "before Build";
    index.Build(0);
    EXPECT_EQ(index.Find("{A}"), -1);
    index.Add(entries.Add(EntryWithGuid("{A}")));
    EXPECT_EQ(index.Find("{A}"), 0);
}

}  // namespace
