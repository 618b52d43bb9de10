#include "feed/FeedSection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "feed/FeedVocabulary.h"
#include "ini/IniDocument.h"

namespace {

const std::string kAbsent = "<absent>";

std::size_t IndexOf(const std::string& key) {
    const int index = CFeedVocabulary::FindKeyIndex(key);
    EXPECT_GE(index, 0) << key;
    return static_cast<std::size_t>(index);
}

std::string ValueOf(const CFeedSection& section, const std::string& key) {
    const std::string_view* const stored = section.Find(IndexOf(key));
    return stored == nullptr ? kAbsent : std::string(*stored);
}

std::vector<std::string> DroppedOf(const CFeedSection& section) {
    std::vector<std::string> dropped;
    for (const std::string_view stored : section.GetDroppedOccurrences()) {
        dropped.emplace_back(stored);
    }
    return dropped;
}

// Gathers section "S" of `document`.
CFeedSection Gathered(const CIniDocument& document) {
    CFeedSection section;
    section.Gather(document, document.FindSection("S"));
    return section;
}

TEST(FeedSectionTest, EachKeyHasTheValueOfItsLastLine) {
    struct SCase {
        const char* name;
        std::string text;
        std::string key;
        std::string expected;
    };
    const SCase cases[] = {
        {"one line", "[S]\nNotes=n", "Notes", "n"},
        {"repeated key", "[S]\nGUID=a\nNotes=n\nGUID=b", "GUID", "b"},
        {"repeated key, empty at last", "[S]\nGUID=a\nGUID=", "GUID", ""},
        {"keys out of the vocabulary's order", "[S]\nAckExecute=1\nGUID=g\nIcon=i", "GUID", "g"},
        {"the key after an out-of-order one", "[S]\nAckExecute=1\nGUID=g\nIcon=i", "Icon", "i"},
        {"a key the section skips", "[S]\nGUID=g\nCategory=c", "StorageType", kAbsent},
        {"the key after a skipped one", "[S]\nGUID=g\nCategory=c", "Category", "c"},
        {"an unknown key between known ones", "[S]\nNotez=1\nNotes=2", "Notes", "2"},
        {"names are case-sensitive", "[S]\nguid=g\nGuid=h", "GUID", kAbsent},
        {"spaces belong to the key", "[S]\nGUID =g", "GUID", kAbsent},
        {"stored as written, escapes included", "[S]\nNotes=a\\nb\\\\c", "Notes", "a\\nb\\\\c"},
        {"a repeated header keeps only its own lines", "[S]\nGUID=a\n[T]\nGUID=t\n[S]\nNotes=n",
         "GUID", kAbsent},
        {"other sections stay out", "[T]\nGUID=t\n[S]\nNotes=n\n[U]\nGUID=u", "GUID", kAbsent},
        {"no such section", "[T]\nGUID=t", "GUID", kAbsent},
    };
    for (const SCase& c : cases) {
        CIniDocument document;
        document.Parse(c.text);
        EXPECT_EQ(ValueOf(Gathered(document), c.key), c.expected) << c.name;
    }
}

TEST(FeedSectionTest, DroppedOccurrencesRunFromZeroToTheFirstMissingNumber) {
    struct SCase {
        const char* name;
        std::string lines;
        std::vector<std::string> expected;
    };
    const SCase cases[] = {
        {"in order", "DroppedOccurence 0=a\nDroppedOccurence 1=b", {"a", "b"}},
        {"in reverse order", "DroppedOccurence 1=b\nDroppedOccurence 0=a", {"a", "b"}},
        {"a repeated number: the last line counts",
         "DroppedOccurence 0=a\nDroppedOccurence 1=b\nDroppedOccurence 0=c",
         {"c", "b"}},
        {"a gap ends them",
         "DroppedOccurence 0=a\nDroppedOccurence 2=c\nDroppedOccurence 3=d",
         {"a"}},
        {"none from 0", "DroppedOccurence 1=b", {}},
        {"leading zero is another name", "DroppedOccurence 01=a\nDroppedOccurence 0=b", {"b"}},
        {"the English spelling is another name", "DroppedOccurrence 0=a", {}},
        {"letter case counts", "droppedOccurence 0=a", {}},
        {"the highest number", "DroppedOccurence 2147483647=z\nDroppedOccurence 0=a", {"a"}},
        {"beyond the highest number", "DroppedOccurence 2147483648=z\nDroppedOccurence 0=a", {"a"}},
        {"empty values count", "DroppedOccurence 0=\nDroppedOccurence 1=b", {"", "b"}},
        {"among the other keys", "DroppedOccurence 0=a\nGUID=g\nDroppedOccurence 1=b", {"a", "b"}},
    };
    for (const SCase& c : cases) {
        CIniDocument document;
        document.Parse("[S]\n" + c.lines);
        EXPECT_EQ(DroppedOf(Gathered(document)), c.expected) << c.name;
    }
}

TEST(FeedSectionTest, OneObjectServesSectionAfterSection) {
    CIniDocument document;
    document.Parse(
        "[A]\nGUID=a\nNotes=n\nDroppedOccurence 0=x\nDroppedOccurence 1=y\n"
        "[B]\nGUID=b\nDroppedOccurence 0=z\n");
    CFeedSection section;
    section.Gather(document, document.FindSection("A"));
    EXPECT_EQ(ValueOf(section, "Notes"), "n");
    section.Gather(document, document.FindSection("B"));
    EXPECT_EQ(ValueOf(section, "GUID"), "b");
    EXPECT_EQ(ValueOf(section, "Notes"), kAbsent);
    EXPECT_EQ(DroppedOf(section), std::vector<std::string>{"z"});
    section.Gather(document, CIniDocument::kNoSection);
    EXPECT_EQ(ValueOf(section, "GUID"), kAbsent);
    EXPECT_TRUE(DroppedOf(section).empty());
}

TEST(FeedSectionTest, SeesWhatTheSettersChanged) {
    CIniDocument document;
    document.Parse("[S]\nGUID=a\nGUID=b\n[T]\nGUID=t\n");
    document.SetString("S", "GUID", "c");
    // S is not the last section of the table: the new key moves its lines.
    document.SetString("S", "Notes", "x\ny");
    document.SetString("S", "DroppedOccurence 0", "2024 05 17");
    const CFeedSection section = Gathered(document);
    EXPECT_EQ(ValueOf(section, "GUID"), "c");
    EXPECT_EQ(ValueOf(section, "Notes"), "x\\ny");
    EXPECT_EQ(DroppedOf(section), std::vector<std::string>{"2024 05 17"});
    CFeedSection other;
    other.Gather(document, document.FindSection("T"));
    EXPECT_EQ(ValueOf(other, "GUID"), "t");
    EXPECT_EQ(ValueOf(other, "Notes"), kAbsent);
}

}  // namespace
