#include "feed/FeedReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "feed/RecordingReporter.h"
#include "ini/IniDocument.h"
#include "platform/Platform.h"
#include "support/FakePlatform.h"
#include "support/FeedFiles.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string Guid(int n) {
    char text[39];
    std::snprintf(text, sizeof text, "{00000000-0000-0000-0000-%012d}", n);
    return text;
}

std::vector<std::string> GuidsOf(const CDateEntryArray& entries) {
    std::vector<std::string> guids;
    for (const CDateEntry& entry : entries) guids.emplace_back(entry.GetGuid());
    return guids;
}

std::vector<std::string> Strings(const CStringArray& array) {
    return std::vector<std::string>(array.begin(), array.end());
}

// The fake clock stands at 2024-05-17 08:30:00.
class FeedReaderTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform.Install(); }

    int Read(const std::string& text) {
        return CFeedReader::ReadFeed(m_files.Write("feed.ini", text), m_entries, m_removeGuids);
    }

    CFakePlatform m_platform;
    CFeedFiles m_files;
    CDateEntryArray m_entries;
    CStringArray m_removeGuids;
};

struct NumberingCase {
    const char* name;
    std::string text;
    std::vector<std::string> entryGuids;
    std::vector<std::string> removeGuids;
};

TEST_F(FeedReaderTest, SectionsAreReadFromZeroUpToTheFirstGap) {
    const std::string g0 = "GUID=" + Guid(0) + "\n";
    const std::string g1 = "GUID=" + Guid(1) + "\n";
    const std::string g2 = "GUID=" + Guid(2) + "\n";
    const std::string g3 = "GUID=" + Guid(3) + "\n";
    const NumberingCase cases[] = {
        {"a section of another name only", "\r\n[Other]\r\n", {}, {}},
        {"date entries from 1, removals still read",
         "[DateEntry 1]\n" + g1 + "[DateEntry 2]\n" + g2 + "[Remove 0]\n" + g0,
         {},
         {Guid(0)}},
        {"0, 1 and 3",
         "[DateEntry 0]\n" + g0 + "[DateEntry 1]\n" + g1 + "[DateEntry 3]\n" + g3,
         {Guid(0), Guid(1)},
         {}},
        {"order in the file does not matter",
         "[Remove 0]\n" + g3 + "[DateEntry 1]\n" + g1 + "[DateEntry 0]\n" + g0,
         {Guid(0), Guid(1)},
         {Guid(3)}},
        {"removal without GUID skipped, reading goes on",
         "[Remove 0]\n" + g0 + "[Remove 1]\nOther=1\n[Remove 2]\n" + g2,
         {},
         {Guid(0), Guid(2)}},
        {"removal with an empty GUID skipped",
         "[Remove 0]\nGUID=\n[Remove 1]\n" + g1,
         {},
         {Guid(1)}},
        {"removal gap", "[Remove 0]\n" + g0 + "[Remove 2]\n" + g2, {}, {Guid(0)}},
        {"removal GUID kept as written",
         "[Remove 0]\nGUID= " + Guid(0) +
             "\n[Remove 1]\nGUID={abcdef00-0000-0000-0000-000000000000}\n",
         {},
         {" " + Guid(0), "{abcdef00-0000-0000-0000-000000000000}"}},
        {"names are exact",
         "[dateentry 0]\n" + g0 + "[DateEntry 00]\n" + g0 + "[Remove  0]\n" + g0,
         {},
         {}},
        {"repeated header: the last one counts",
         "[DateEntry 0]\n" + g0 + "[DateEntry 0]\n" + g2,
         {Guid(2)},
         {}},
    };
    for (const NumberingCase& c : cases) {
        EXPECT_EQ(Read(c.text), 0) << c.name;
        EXPECT_EQ(GuidsOf(m_entries), c.entryGuids) << c.name;
        EXPECT_EQ(Strings(m_removeGuids), c.removeGuids) << c.name;
    }
}

TEST_F(FeedReaderTest, ValuesCarryOverFromSectionToSection) {
    ASSERT_EQ(Read("[DateEntry 0]\nGUID=" + Guid(0) +
                   "\nCategory=Work\nNotes=n\nBgColor=1,2,3\nStartDate=2024 06 01 10 00 00\n"
                   "EndDate=2024 06 01 11 00 00\nRepeat=1\nRepeatRate=1\nRepeatUnit=2\n"
                   "StorageType=2\nSoundFile=C:\\\\Media\\\\ding.wav\n"
                   "[DateEntry 1]\nGUID=" +
                   Guid(1) +
                   "\nNotes=\n"
                   "[DateEntry 2]\nDescription=no GUID\n"),
              0);
    ASSERT_EQ(m_entries.GetSize(), 3);
    for (int i = 1; i < 3; ++i) {
        const DateEntryProperties& p = m_entries[i].Properties;
        EXPECT_EQ(p.Category, "Work") << i;
        EXPECT_EQ(p.BgColor, 0x030201) << i;
        EXPECT_EQ(p.StartDate, CDateTime(2024, 6, 1, 10, 0, 0)) << i;
        EXPECT_EQ(p.EndDate, CDateTime(2024, 6, 1, 11, 0, 0)) << i;
        EXPECT_EQ(p.Repeat, 1) << i;
        EXPECT_EQ(p.RepeatUnit, 2) << i;
        EXPECT_EQ(p.StorageType, 2) << i;
        EXPECT_EQ(p.SoundFile, "C:\\Media\\ding.wav") << i;
        EXPECT_EQ(p.Notes, "") << i;
    }
    EXPECT_EQ(m_entries[0].Properties.Notes, "n");
    EXPECT_EQ(m_entries[2].Properties.Description, "no GUID");
    // Without its own GUID, section 2 keeps the GUID of section 1.
    EXPECT_EQ(GuidsOf(m_entries), (std::vector<std::string>{Guid(0), Guid(1), Guid(1)}));
}

TEST_F(FeedReaderTest, ListsKeepTheirGrowthStep) {
    CDateEntryArray entries;
    entries.SetGrowBy(7);
    CStringArray removals;
    ASSERT_EQ(CFeedReader::ReadFeed(
                  m_files.Write("feed.ini", "[DateEntry 0]\n[DateEntry 1]\n[DateEntry 2]\n"),
                  entries, removals),
              0);
    EXPECT_EQ(entries.GetSize(), 3);
    EXPECT_EQ(entries.GetGrowBy(), 7);
}

TEST_F(FeedReaderTest, FirstSectionWithoutGuidGetsANewOne) {
    ASSERT_EQ(Read("[DateEntry 0]\nNotes=x\n"), 0);
    ASSERT_EQ(m_entries.GetSize(), 1);
    EXPECT_EQ(m_entries[0].GetGuid().size(), 38u);
    EXPECT_EQ(m_entries[0].Properties.StartDate, CDateTime(2024, 5, 17, 8, 30, 0));
}

struct StorageCase {
    const char* line;  // in section 0; nullptr: absent
    int expected;
};

TEST_F(FeedReaderTest, StorageTypeIsOneOrTwo) {
    const StorageCase cases[] = {
        {nullptr, 1}, {"", 1},   {"0", 1},   {"1", 1},  {"2", 2},
        {"3", 1},     {"-1", 1}, {"abc", 1}, {"2x", 2}, {" 2", 2},
        {"+2", 2},    {"02", 2}, {"258", 1}, {"-2", 1}, {"4294967298", 2},
    };
    for (const StorageCase& c : cases) {
        const std::string key = c.line ? std::string("StorageType=") + c.line + "\n" : "";
        // Section 1 has no StorageType and so carries section 0's, as coerced.
        ASSERT_EQ(Read("[DateEntry 0]\n" + key + "[DateEntry 1]\nNotes=x\n"), 0);
        ASSERT_EQ(m_entries.GetSize(), 2);
        EXPECT_EQ(m_entries[0].GetStorageType(), c.expected) << (c.line ? c.line : "(absent)");
        EXPECT_EQ(m_entries[1].GetStorageType(), c.expected) << (c.line ? c.line : "(absent)");
    }
}

TEST_F(FeedReaderTest, DroppedOccurrencesBelongToTheirOwnSection) {
    // Sections 1 and 2 keep the start and repeat rule of section 0, so nothing resets the
    // occurrence state on the way: only emptying it per section keeps the drops apart.
    ASSERT_EQ(Read("[DateEntry 0]\nGUID=" + Guid(0) +
                   "\nStartDate=2024 05 01 08 00 00\nEndDate=2024 05 01 09 00 00\n"
                   "Repeat=1\nRepeatRate=1\nRepeatUnit=2\n"
                   "DroppedOccurence 0=2024 05 20 08 00 00\n"
                   "[DateEntry 1]\nGUID=" +
                   Guid(1) +
                   "\nDroppedOccurence 0=2024 05 21 08 00 00\n"
                   "[DateEntry 2]\nGUID=" +
                   Guid(2) + "\n"),
              0);
    ASSERT_EQ(m_entries.GetSize(), 3);
    ASSERT_EQ(m_entries[0].GetDroppedOccurrenceCount(), 1);
    EXPECT_EQ(m_entries[0].GetDroppedOccurrence(0), CDateTime(2024, 5, 20, 8, 0, 0));
    ASSERT_EQ(m_entries[1].GetDroppedOccurrenceCount(), 1);
    EXPECT_EQ(m_entries[1].GetDroppedOccurrence(0), CDateTime(2024, 5, 21, 8, 0, 0));
    EXPECT_EQ(m_entries[2].GetDroppedOccurrenceCount(), 0);
    for (const CDateEntry& entry : m_entries) {
        EXPECT_EQ(entry.LastCheckTime, CDateTime(2024, 5, 17, 8, 30, 0));
        EXPECT_EQ(entry.Properties.Repeat, 1);
    }
}

TEST_F(FeedReaderTest, FailuresLeaveBothListsAsTheyWere) {
    ASSERT_EQ(Read("[DateEntry 0]\nGUID=" + Guid(7) + "\n[Remove 0]\nGUID=" + Guid(8) + "\n"), 0);
    const std::vector<std::string> entries = {Guid(7)};
    const std::vector<std::string> removals = {Guid(8)};

    struct FailureCase {
        const char* name;
        std::string path;
        int expected;
    };
    const FailureCase cases[] = {
        {"missing file", m_files.Path("missing.ini"), -1},
        {"missing folder", m_files.Path("none/feed.ini"), -1},
        {"empty file", m_files.Write("empty.ini", ""), -2},
    };
    for (const FailureCase& c : cases) {
        EXPECT_EQ(CFeedReader::ReadFeed(c.path, m_entries, m_removeGuids), c.expected) << c.name;
        EXPECT_EQ(GuidsOf(m_entries), entries) << c.name;
        EXPECT_EQ(Strings(m_removeGuids), removals) << c.name;
    }
}

TEST_F(FeedReaderTest, CalendarsAreWholeAndAnIncompleteOneChangesNothing) {
    ASSERT_EQ(Read("[DateEntry 0]\nGUID=" + Guid(7) + "\n[Remove 0]\nGUID=" + Guid(8) + "\n"), 0);
    const std::string calendar =
        "\xEF\xBB\xBF\r\nBEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:a@example.org\r\n"
        "DTSTART:20240601T100000\r\nSUMMARY:One\r\nEND:VEVENT\r\n";
    bool outOfMemory = false;
    bool whole = false;
    bool incomplete = false;
    // Cut before its END:VCALENDAR: half written, so neither read nor taken as empty.
    EXPECT_EQ(CFeedReader::ReadFeed(m_files.Write("cut.ics", calendar), m_entries, m_removeGuids,
                                    &outOfMemory, &whole, &incomplete),
              CFeedReader::kCantOpen);
    EXPECT_TRUE(incomplete);
    EXPECT_FALSE(outOfMemory);
    EXPECT_EQ(GuidsOf(m_entries), std::vector<std::string>{Guid(7)});
    EXPECT_EQ(Strings(m_removeGuids), std::vector<std::string>{Guid(8)});

    // Whatever its name, the whole text is a calendar: its event replaces the lists.
    EXPECT_EQ(CFeedReader::ReadFeed(m_files.Write("feed.txt", calendar + "END:VCALENDAR\r\n"),
                                    m_entries, m_removeGuids, &outOfMemory, &whole, &incomplete),
              CFeedReader::kRead);
    EXPECT_TRUE(whole);
    EXPECT_FALSE(incomplete);
    ASSERT_EQ(m_entries.GetSize(), 1);
    EXPECT_EQ(m_entries[0].Properties.Description, "One");
    EXPECT_EQ(m_entries[0].Properties.StartDate, CDateTime(2024, 6, 1, 10, 0, 0));
    EXPECT_EQ(m_removeGuids.GetSize(), 0);
}

// A text that is neither a calendar nor INI text with a section header is no feed: what a
// network login page or a cut download leaves in place of the feed. It changes nothing and
// says which bytes were read instead.
TEST_F(FeedReaderTest, TextsThatAreNoFeedAreRefusedAndNamedByTheirFirstBytes) {
    ASSERT_EQ(Read("[DateEntry 0]\nGUID=" + Guid(7) + "\n[Remove 0]\nGUID=" + Guid(8) + "\n"), 0);
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } cases[] = {
        {"five bytes", "BEGIN", "not a feed file (first bytes: \"BEGIN\")"},
        {"a cut calendar's first line", "BEGIN:VCAL",
         "not a feed file (first bytes: \"BEGIN:VCAL\")"},
        {"blank lines only", "\r\n\r\n", "not a feed file (first bytes: \"\\r\\n\\r\\n\")"},
        {"an HTML login page",
         "<!DOCTYPE html>\n<html><head><title>Hotel Wi-Fi</title></head>\n"
         "<body>GUID=x\nDescription=Sign in</body></html>\n",
         "not a feed file (first bytes: \"<!DOCTYPE html>\\n<html><h\"...)"},
        {"binary bytes", std::string("\x89PNG\r\n\x1A\n\0\0", 10),
         "not a feed file (first bytes: \"\\x89PNG\\r\\n\\x1A\\n\\x00\\x00\")"},
        {"key lines without a section", "GUID=" + Guid(1) + "\nDescription=d\n",
         "not a feed file (first bytes: \"GUID={00000000-0000-0000\"...)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string reason;
        EXPECT_EQ(CFeedReader::ReadFeed(m_files.Write("feed.txt", c.text), m_entries, m_removeGuids,
                                        nullptr, nullptr, nullptr, &reason),
                  CFeedReader::kNotAFeed);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(GuidsOf(m_entries), std::vector<std::string>{Guid(7)});
        EXPECT_EQ(Strings(m_removeGuids), std::vector<std::string>{Guid(8)});
    }
    // A header with nothing under it is a feed (of no entries), as is a whole calendar of none.
    EXPECT_EQ(Read("[Feed]\n"), CFeedReader::kRead);
    EXPECT_EQ(Read("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n"), CFeedReader::kRead);
}

TEST_F(FeedReaderTest, FeedHeldOpenByAnotherOpenerCannotBeRead) {
    const std::string path = m_files.Write("feed.ini", "[DateEntry 0]\nGUID=" + Guid(1) + "\n");
    ASSERT_EQ(CFeedReader::ReadFeed(path, m_entries, m_removeGuids), 0);
    {
        const std::unique_ptr<CFile> holder =
            CPlatform::Current().OpenFile(path, EFileOpen::ReadExclusive);
        ASSERT_NE(holder, nullptr);
        CDateEntryArray entries;
        entries.Add(CDateEntry());
        CStringArray removals;
        removals.Add("kept");
        EXPECT_EQ(CFeedReader::ReadFeed(path, entries, removals), -1);
        EXPECT_EQ(entries.GetSize(), 1);
        EXPECT_EQ(Strings(removals), std::vector<std::string>{"kept"});
    }
    EXPECT_EQ(CFeedReader::ReadFeed(path, m_entries, m_removeGuids), 0);
}

#ifndef _WIN32
TEST_F(FeedReaderTest, FeedLockedByAnotherProcessCannotBeRead) {
    const std::string path = m_files.Write("feed.ini", "[DateEntry 0]\nGUID=" + Guid(1) + "\n");
    int toParent[2];
    int toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child holds the feed open for exclusive use until the parent is done.
        const std::unique_ptr<CFile> holder =
            CPlatform::Default().OpenFile(path, EFileOpen::ReadExclusive);
        const char state = holder ? 'L' : 'F';
        char go = 0;
        if (write(toParent[1], &state, 1) != 1 || read(toChild[0], &go, 1) != 1) _exit(2);
        _exit(0);
    }
    char state = 0;
    ASSERT_EQ(read(toParent[0], &state, 1), 1);
    ASSERT_EQ(state, 'L');

    CDateEntryArray entries;
    CStringArray removals;
    removals.Add("kept");
    EXPECT_EQ(CFeedReader::ReadFeed(path, entries, removals), -1);
    EXPECT_EQ(Strings(removals), std::vector<std::string>{"kept"});

    const char go = 'g';
    ASSERT_EQ(write(toChild[1], &go, 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);

    EXPECT_EQ(CFeedReader::ReadFeed(path, entries, removals), 0);
    EXPECT_EQ(GuidsOf(entries), std::vector<std::string>{Guid(1)});
    EXPECT_TRUE(removals.IsEmpty());
}
#endif

// Everything that reading puts into an entry, as text.
std::string Signature(const CDateEntry& entry) {
    DateEntryProperties p;
    entry.GetProperties(p);
    std::ostringstream out;
    const auto text = [](const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, CPackedDateTime>) {
            return value.Get().FormatStorage();
        } else {
            std::ostringstream item;
            item << value;
            return item.str();
        }
    };
#define ZF_SIGN(name, type, initial, form, firstSchema) out << #name "=" << text(p.name) << '\n';
    ZF_DATE_ENTRY_PROPERTIES(ZF_SIGN)
#undef ZF_SIGN
    for (const CDateTime& dropped : entry.DroppedOccurrences) out << dropped.FormatStorage() << ' ';
    return out.str();
}

TEST_F(FeedReaderTest, ReporterHearsWhatTheReaderDropsAndDefaults) {
    CIniDocument document;
    document.Parse(
        "[DateEntry 0]\nGUID=" + Guid(0) +
        "\nShowEnd=x\nStartDate=2024 05 17 26 00 00\n"
        "DroppedOccurence 0=\nDroppedOccurence 1=2024 05 17\nDroppedOccurence 3=2024 05 18\n"
        "[DateEntry 1]\nStorageType=5\nBgColor=1,2\n"
        "[DateEntry 2]\nStorageType=2\n"
        "[Remove 0]\nGUID=\n[Remove 1]\nGUID=" +
        Guid(1) + "\n[Remove 3]\n");
    CRecordingReporter reporter;
    CFeedReader::ReadDocument(document, m_entries, m_removeGuids, &reporter);
    EXPECT_EQ(reporter.calls,
              (std::vector<std::string>{
                  "DateEntry 0: date entry",
                  "DateEntry 0/StartDate: invalid time, 2024 05 17 00 00 00",
                  "DateEntry 0/ShowEnd: no digits",
                  "DateEntry 0/DroppedOccurence 0: empty, drops 1970 01 01 00 00 00",
                  "DateEntry 0: 2 dropped occurrences",
                  "DateEntry 0: StorageType 0 replaced",
                  "DateEntry 0: read " + Guid(0),
                  "DateEntry 1: date entry",
                  "DateEntry 1/BgColor: colour too short",
                  "DateEntry 1: 0 dropped occurrences",
                  "DateEntry 1: StorageType 5 replaced",
                  "DateEntry 1: read " + Guid(0),
                  "DateEntry 2: date entry",
                  "DateEntry 2: 0 dropped occurrences",
                  "DateEntry 2: read " + Guid(0),
                  "Remove 0: removal",
                  "Remove 0: removes nothing",
                  "Remove 1: removal",
              }));

    // A reporter changes nothing in what is read.
    CDateEntryArray entries;
    CStringArray removeGuids;
    CFeedReader::ReadDocument(document, entries, removeGuids);
    ASSERT_EQ(entries.GetSize(), m_entries.GetSize());
    for (int i = 0; i < entries.GetSize(); ++i) {
        EXPECT_EQ(Signature(entries[i]), Signature(m_entries[i])) << i;
    }
    EXPECT_EQ(Strings(removeGuids), Strings(m_removeGuids));
    EXPECT_EQ(Strings(removeGuids), std::vector<std::string>{Guid(1)});
}

TEST_F(FeedReaderTest, ReporterHearsTheLinesThatCountInTheVocabularysOrder) {
    // The lines stand in no particular order; the reports follow the keys' order, then the
    // dropped occurrences' numbers, and only the last line of a key is read.
    CIniDocument document;
    document.Parse("[DateEntry 0]\nGUID=" + Guid(0) +
                   "\n"
                   "ShowEnd=1\nRepeat=x\nDroppedOccurence 1=2024 02 30\nBgColor=a,b\n"
                   "DroppedOccurence 0=\nShowEnd=y\nStartDate=2024 05 17 25 00 00\nRepeat=2\n"
                   "StorageType=2\n"
                   "[DateEntry 1]\nShowEnd=bad\n[DateEntry 1]\nNotes=n\n"
                   "[Remove 0]\nGUID=" +
                   Guid(3) + "\nGUID=\n[Remove 1]\nGUID=\nGUID=" + Guid(4) + "\n");
    CRecordingReporter reporter;
    CFeedReader::ReadDocument(document, m_entries, m_removeGuids, &reporter);
    EXPECT_EQ(reporter.calls,
              (std::vector<std::string>{
                  "DateEntry 0: date entry",
                  "DateEntry 0/BgColor: colour item without digits a",
                  "DateEntry 0/BgColor: colour item without digits b",
                  "DateEntry 0/BgColor: colour too short",
                  "DateEntry 0/StartDate: invalid time, 2024 05 17 00 00 00",
                  "DateEntry 0/ShowEnd: no digits",
                  "DateEntry 0/DroppedOccurence 0: empty, drops 1970 01 01 00 00 00",
                  "DateEntry 0/DroppedOccurence 1: invalid date, 0001 01 01 00 00 00",
                  "DateEntry 0: 2 dropped occurrences",
                  "DateEntry 0: read " + Guid(0),
                  "DateEntry 1: date entry",
                  "DateEntry 1: 0 dropped occurrences",
                  "DateEntry 1: read " + Guid(0),
                  "Remove 0: removal",
                  "Remove 0: removes nothing",
                  "Remove 1: removal",
              }));
    ASSERT_EQ(m_entries.GetSize(), 2);
    EXPECT_EQ(m_entries[0].Properties.Repeat, 2);
    EXPECT_EQ(m_entries[0].Properties.ShowEnd, 0);
    EXPECT_EQ(m_entries[1].Properties.ShowEnd, 0);
    EXPECT_EQ(m_entries[1].Properties.Notes, "n");
    EXPECT_EQ(Strings(m_removeGuids), std::vector<std::string>{Guid(4)});
}

}  // namespace
