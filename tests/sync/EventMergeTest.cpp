#include "sync/EventMerge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "platform/MemoryFile.h"
#include "store/EventData.h"
#include "support/FakePlatform.h"
#include "support/FaultyPlatform.h"
#include "support/TempFolder.h"

namespace {

constexpr int kAdd = 0;
constexpr int kReplace = 1;

struct Item {
    std::string guid;
    std::string description;
};

// A daily series from 2024-05-01, 09:00 to 10:00, so that every date at 09:00 in May 2024 is
// one of its occurrences.
CDateEntry MakeEntry(const Item& item, int storageType = 1) {
    CDateEntry entry;
    entry.Properties.GUID = entry.MakeText(item.guid);
    entry.Properties.Description = entry.MakeText(item.description);
    entry.Properties.StorageType = storageType;
    entry.Properties.StartDate = CDateTime(2024, 5, 1, 9, 0, 0);
    entry.Properties.EndDate = CDateTime(2024, 5, 1, 10, 0, 0);
    entry.Properties.Repeat = 1;
    entry.Properties.RepeatRate = 1;
    entry.Properties.RepeatUnit = 2;
    return entry;
}

CDateEntryArray MakeEntries(const std::vector<Item>& items) {
    CDateEntryArray entries;
    for (const Item& item : items) entries.Add(MakeEntry(item));
    return entries;
}

CStringArray MakeStrings(const std::vector<std::string>& texts) {
    CStringArray strings;
    for (const std::string& text : texts) strings.Add(text);
    return strings;
}

std::vector<Item> ItemsOf(const CDateEntryArray& entries) {
    std::vector<Item> items;
    for (const CDateEntry& entry : entries) {
        items.push_back({std::string(entry.GetGuid()), entry.Properties.Description.ToString()});
    }
    return items;
}

std::string Describe(const std::vector<Item>& items) {
    std::string text;
    for (const Item& item : items) text += item.guid + "=" + item.description + " ";
    return text;
}

// May 2024 at 09:00 on `day`: an occurrence of MakeEntry's series.
CDateTime May(int day) {
    return CDateTime(2024, 5, day, 9, 0, 0);
}

std::vector<std::string> Dates(const CDateTimeList& dates) {
    std::vector<std::string> texts;
    for (const CDateTime date : dates) texts.push_back(date.FormatStorage());
    return texts;
}

std::vector<std::string> Dates(std::initializer_list<int> days) {
    std::vector<std::string> texts;
    for (const int day : days) texts.push_back(May(day).FormatStorage());
    return texts;
}

CDateTimeArray DateArray(std::initializer_list<int> days) {
    CDateTimeArray dates;
    for (const int day : days) dates.Add(May(day));
    return dates;
}

std::vector<std::uint8_t> Serialize(const CEventData& data) {
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    data.Save(ar);
    return file.GetData();
}

CEventData Parse(const std::vector<std::uint8_t>& bytes) {
    CMemoryFile file(bytes);
    CArchive ar(file, CArchive::load);
    CEventData data;
    data.Load(ar);
    return data;
}

class EventMergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.GetPath().empty());
        // The clock and the GUIDs of new records come from the installed platform; the merge
        // opens its files through the one it is given.
        m_fake.Install();
    }

    // An event file with header number 7, the two lists and one to-do entry.
    CEventData MakeData(const std::vector<Item>& list1, const std::vector<Item>& list2) {
        CEventData data;
        data.HeaderNumber = 7;
        data.DateEntries1 = MakeEntries(list1);
        data.DateEntries2 = MakeEntries(list2);
        CTodoEntry todo;
        todo.GUID = "{TODO}";
        todo.Text1 = "carried through";
        data.TodoEntries.Add(todo);
        return data;
    }

    bool Merge(const std::vector<std::uint8_t>& before, const CDateEntryArray& feed,
               const std::vector<std::string>& removals, int mode) {
        EXPECT_TRUE(CTempFolder::WriteBytes(m_path, before));
        return CEventMerge::MergeFeed(m_faulty, m_path, feed, MakeStrings(removals), mode,
                                      &m_counts);
    }

    CEventData Result() const { return Parse(CTempFolder::ReadBytes(m_path)); }
    // "added/updated/unchanged/removed" of the last Merge.
    std::string Counts() const {
        return std::to_string(m_counts.added) + "/" + std::to_string(m_counts.updated) + "/" +
               std::to_string(m_counts.unchanged) + "/" + std::to_string(m_counts.removed);
    }

    CFakePlatform m_fake;  // fixed clock at 2024-05-17 08:30:00, counting GUIDs
    CFaultyPlatform m_faulty{m_fake};
    CTempFolder m_folder;
    const std::string m_path = m_folder.File("events.dat");
    SMergeCounts m_counts;
};

TEST_F(EventMergeTest, AddAndUpdateWorksOnTheSecondListByGuid) {
    struct Case {
        const char* what;
        std::vector<Item> list1;
        std::vector<Item> list2;
        std::vector<Item> feed;
        std::vector<std::string> removals;
        std::vector<Item> expected2;
        const char* counts;  // added/updated/unchanged/removed
    };
    const std::vector<Case> cases = {
        {"an empty feed changes nothing",
         {{"{X}", "x"}},
         {{"{A}", "a"}},
         {},
         {},
         {{"{A}", "a"}},
         "0/0/0/0"},
        {"a feed entry updates the stored entry with its GUID in place",
         {},
         {{"{A}", "a"}, {"{B}", "b"}, {"{C}", "c"}},
         {{"{B}", "b2"}},
         {},
         {{"{A}", "a"}, {"{B}", "b2"}, {"{C}", "c"}},
         "0/1/0/0"},
        {"new entries are appended in feed order",
         {},
         {{"{A}", "a"}},
         {{"{D}", "d"}, {"{C}", "c"}},
         {},
         {{"{A}", "a"}, {"{D}", "d"}, {"{C}", "c"}},
         "2/0/0/0"},
        {"a GUID only in the first list is appended to the second",
         {{"{X}", "x"}},
         {{"{A}", "a"}},
         {{"{X}", "x2"}},
         {},
         {{"{A}", "a"}, {"{X}", "x2"}},
         "1/0/0/0"},
        {"GUIDs match exactly, letter case included",
         {},
         {{"{ab}", "a"}},
         {{"{AB}", "A"}},
         {},
         {{"{ab}", "a"}, {"{AB}", "A"}},
         "1/0/0/0"},
        {"a second feed entry with the GUID of an appended one updates it",
         {},
         {{"{A}", "a"}},
         {{"{C}", "c1"}, {"{C}", "c2"}},
         {},
         {{"{A}", "a"}, {"{C}", "c2"}},
         "1/1/0/0"},
        {"two feed entries for one stored entry: the later wins",
         {},
         {{"{A}", "a"}},
         {{"{A}", "a1"}, {"{A}", "a2"}},
         {},
         {{"{A}", "a2"}},
         "0/2/0/0"},
        {"of two stored entries with one GUID only the first is updated",
         {},
         {{"{A}", "first"}, {"{B}", "b"}, {"{A}", "second"}},
         {{"{A}", "new"}},
         {},
         {{"{A}", "new"}, {"{B}", "b"}, {"{A}", "second"}},
         "0/1/0/0"},
        {"a removal without a match changes nothing",
         {},
         {{"{A}", "a"}},
         {},
         {"{Z}"},
         {{"{A}", "a"}},
         "0/0/0/0"},
        {"a removal takes only the first of two matches",
         {},
         {{"{A}", "first"}, {"{B}", "b"}, {"{A}", "second"}},
         {},
         {"{A}"},
         {{"{B}", "b"}, {"{A}", "second"}},
         "0/0/0/1"},
        {"the same removal twice takes both matches",
         {},
         {{"{A}", "first"}, {"{B}", "b"}, {"{A}", "second"}},
         {},
         {"{A}", "{A}"},
         {{"{B}", "b"}},
         "0/0/0/2"},
        {"removals in any order keep the order of the rest",
         {},
         {{"{A}", "a"}, {"{B}", "b"}, {"{C}", "c"}, {"{D}", "d"}},
         {},
         {"{D}", "{A}", "{Z}"},
         {{"{B}", "b"}, {"{C}", "c"}},
         "0/0/0/2"},
        {"removals never reach the first list",
         {{"{X}", "x"}},
         {{"{A}", "a"}},
         {},
         {"{X}"},
         {{"{A}", "a"}},
         "0/0/0/0"},
        {"removals run after all updates and appends",
         {},
         {{"{A}", "a"}, {"{B}", "b"}},
         {{"{C}", "c"}, {"{A}", "a2"}, {"{E}", "e"}},
         {"{C}", "{A}"},
         {{"{B}", "b"}, {"{E}", "e"}},
         "2/1/0/2"},
        {"a removal in lower case misses an upper-case GUID",
         {},
         {{"{AB}", "a"}},
         {},
         {"{ab}"},
         {{"{AB}", "a"}},
         "0/0/0/0"},
        {"a feed entry that brings what is stored changes nothing",
         {},
         {{"{A}", "a"}, {"{B}", "b"}},
         {{"{B}", "b"}, {"{A}", "a2"}},
         {},
         {{"{A}", "a2"}, {"{B}", "b"}},
         "0/1/1/0"},
        {"a second feed entry that brings what the first left is unchanged",
         {},
         {{"{A}", "a"}},
         {{"{A}", "a2"}, {"{A}", "a2"}},
         {},
         {{"{A}", "a2"}},
         "0/1/1/0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(
            Merge(Serialize(MakeData(c.list1, c.list2)), MakeEntries(c.feed), c.removals, kAdd));
        const CEventData after = Result();
        EXPECT_EQ(after.HeaderNumber, 7);
        EXPECT_EQ(Describe(ItemsOf(after.DateEntries1)), Describe(c.list1));
        EXPECT_EQ(Describe(ItemsOf(after.DateEntries2)), Describe(c.expected2));
        EXPECT_EQ(Counts(), c.counts);
        ASSERT_EQ(after.TodoEntries.GetSize(), 1);
        EXPECT_EQ(after.TodoEntries[0].Text1, "carried through");
    }
}

TEST_F(EventMergeTest, EmptyFeedInAddModeWritesTheSameBytes) {
    const std::vector<std::uint8_t> before =
        Serialize(MakeData({{"{X}", "x"}, {"{Y}", "y"}}, {{"{A}", "a"}, {"{B}", "b"}}));
    ASSERT_TRUE(Merge(before, {}, {}, kAdd));
    EXPECT_EQ(CTempFolder::ReadBytes(m_path), before);
}

TEST_F(EventMergeTest, ReplaceModeWritesTheFeedAlone) {
    const std::vector<std::uint8_t> valid =
        Serialize(MakeData({{"{X}", "x"}}, {{"{A}", "a"}, {"{B}", "b"}}));
    std::vector<std::uint8_t> damaged(valid.begin(), valid.begin() + 30);
    const std::vector<std::uint8_t> garbage = {0xFF, 0xFF, 0x01, 0x02, 0x03, 0x00, 0xFE};
    struct Case {
        const char* what;
        std::vector<std::uint8_t> before;
        std::vector<Item> feed;
        std::vector<std::string> removals;
        std::vector<Item> expected2;
    };
    const std::vector<Case> cases = {
        {"old entries are dropped",
         valid,
         {{"{C}", "c"}, {"{A}", "a2"}},
         {},
         {{"{C}", "c"}, {"{A}", "a2"}}},
        {"damaged content is not read", damaged, {{"{C}", "c"}}, {}, {{"{C}", "c"}}},
        {"garbage is not read", garbage, {{"{C}", "c"}}, {}, {{"{C}", "c"}}},
        {"an empty file is fine", {}, {{"{C}", "c"}}, {}, {{"{C}", "c"}}},
        {"feed entries with one GUID fold into the first",
         valid,
         {{"{C}", "c1"}, {"{D}", "d"}, {"{C}", "c2"}},
         {},
         {{"{C}", "c2"}, {"{D}", "d"}}},
        {"removals apply to the feed entries",
         valid,
         {{"{C}", "c"}, {"{D}", "d"}},
         {"{C}", "{A}"},
         {{"{D}", "d"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Merge(c.before, MakeEntries(c.feed), c.removals, kReplace));
        const CEventData after = Result();
        EXPECT_EQ(after.HeaderNumber, 100);
        EXPECT_EQ(after.DateEntries1.GetSize(), 0);
        EXPECT_EQ(Describe(ItemsOf(after.DateEntries2)), Describe(c.expected2));
        EXPECT_EQ(after.TodoEntries.GetSize(), 0);
    }
}

TEST_F(EventMergeTest, ReplaceModeWithAnEmptyFeedWritesSixteenBytes) {
    const std::vector<std::uint8_t> expected = {0x64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const int mode : {1, 2, -1}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(Merge(Serialize(MakeData({{"{X}", "x"}}, {{"{A}", "a"}})), {}, {}, mode));
        EXPECT_EQ(CTempFolder::ReadBytes(m_path), expected);
    }
}

TEST_F(EventMergeTest, DamagedFileInAddModeFailsAndStaysAsItWas) {
    const std::vector<std::uint8_t> valid =
        Serialize(MakeData({{"{X}", "x"}}, {{"{A}", "a"}, {"{B}", "b"}}));
    std::vector<std::uint8_t> badClass = valid;
    const std::string name = "CDateEntry";
    const auto at = std::search(badClass.begin(), badClass.end(), name.begin(), name.end());
    ASSERT_NE(at, badClass.end());
    *(at + 9) = 'x';  // an unregistered class name
    std::vector<std::uint8_t> badSchema = valid;
    *(std::search(badSchema.begin(), badSchema.end(), name.begin(), name.end()) - 4) = 9;
    std::vector<std::uint8_t> hugeCount = valid;
    hugeCount[4] = 0xFF;
    hugeCount[5] = 0xFF;
    hugeCount[6] = 0xFF;
    hugeCount[7] = 0x7F;

    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"no bytes", {}},
        {"ends inside the header number", {0x64, 0}},
        {"ends inside an entry", std::vector<std::uint8_t>(valid.begin(), valid.begin() + 40)},
        {"ends one byte early", std::vector<std::uint8_t>(valid.begin(), valid.end() - 1)},
        {"unregistered class", badClass},
        {"schema above the class's", badSchema},
        {"count beyond the file", hugeCount},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Merge(c.bytes, MakeEntries({{"{A}", "a2"}}), {"{B}"}, kAdd));
        EXPECT_EQ(CTempFolder::ReadBytes(m_path), c.bytes);
    }
}

TEST_F(EventMergeTest, MissingFileFailsInBothModesAndIsNotCreated) {
    for (const int mode : {kAdd, kReplace}) {
        SCOPED_TRACE(mode);
        EXPECT_FALSE(CEventMerge::MergeFeed(m_faulty, m_folder.File("missing.dat"),
                                            MakeEntries({{"{A}", "a"}}), {}, mode));
        EXPECT_FALSE(CTempFolder::Exists(m_folder.File("missing.dat")));
    }
}

TEST_F(EventMergeTest, FileSystemAndMemoryFailuresGiveFalse) {
    const std::vector<std::uint8_t> before =
        Serialize(MakeData({{"{X}", "x"}}, {{"{A}", "a"}, {"{B}", "b"}}));
    const struct {
        const char* what;
        EFileFault fault;
        std::size_t after;
        int mode;
        bool fileUnchanged;  // a failed write may have begun to fill the file
    } cases[] = {
        {"read error at the start", EFileFault::ReadFails, 0, kAdd, true},
        {"read error inside the first entry", EFileFault::ReadFails, 100, kAdd, true},
        {"memory runs out while loading", EFileFault::ReadThrowsBadAlloc, 100, kAdd, true},
        {"write error at the start", EFileFault::WriteFails, 0, kAdd, false},
        {"write error part-way", EFileFault::WriteFails, 100, kAdd, false},
        {"write error part-way, replace mode", EFileFault::WriteFails, 10, kReplace, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_faulty.SetFileFault(c.fault, c.after);
        EXPECT_FALSE(Merge(before, MakeEntries({{"{A}", "a2"}, {"{C}", "c"}}), {"{B}"}, c.mode));
        m_faulty.SetFileFault(EFileFault::None);
        if (c.fileUnchanged) {
            EXPECT_EQ(CTempFolder::ReadBytes(m_path), before);
        }
    }
}

TEST_F(EventMergeTest, FileThatCannotBeOpenedForWritingStaysAsItWas) {
    const std::vector<std::uint8_t> before = Serialize(MakeData({}, {{"{A}", "a"}}));
    for (const int mode : {kAdd, kReplace}) {
        SCOPED_TRACE(mode);
        const int opens = m_faulty.GetCallCount(EPlatformCall::OpenFile);
        // The open for reading goes through; the open for writing fails.
        m_faulty.SetFault(EPlatformCall::OpenFile, EPlatformFault::Fail, 1, 1);
        EXPECT_FALSE(Merge(before, MakeEntries({{"{C}", "c"}}), {}, mode));
        EXPECT_EQ(m_faulty.GetCallCount(EPlatformCall::OpenFile), opens + 2);
        EXPECT_EQ(CTempFolder::ReadBytes(m_path), before);
    }
}

struct ReminderCase {
    const char* what;
    int storageType;
    bool moveStart;
    std::vector<std::string> due;
    std::vector<std::string> snoozed;
    std::vector<std::string> dropped;
    bool takesLastCheck;
};

// The stored entry: due on 10 and 11 May, snoozed on 12 May, 3 and 5 May dropped, last
// checked 17 May 08:00. The feed entry changes the description (or moves the start by half
// an hour), has 11 May due, was checked at 08:20, and drops 7, 10 and 5 May in that order.
TEST_F(EventMergeTest, UpdatesReconcileReminderStateAndDroppedOccurrences) {
    const std::vector<ReminderCase> cases = {
        {"storage type 1 keeps the stored reminders", 1, false, Dates({11}), Dates({12}),
         Dates({5, 7, 10}), false},
        {"storage type 2 takes the feed's settled occurrences and check time",
         2,
         false,
         Dates({11}),
         {},
         Dates({5, 7, 10}),
         true},
        {"a moved start resets the stored reminders", 1, true, {}, {}, {}, false},
    };
    for (const ReminderCase& c : cases) {
        SCOPED_TRACE(c.what);
        CDateEntry stored = MakeEntry({"{A}", "old"});
        stored.DueOccurrences.Assign(DateArray({10, 11}));
        stored.SnoozedOccurrences.Assign(DateArray({12}));
        stored.SnoozeUntil.Add(CDateTime(2024, 5, 17, 10, 0, 0));
        stored.DroppedOccurrences.Assign(DateArray({3, 5}));
        stored.LastCheckTime = CDateTime(2024, 5, 17, 8, 0, 0);
        CEventData data;
        data.DateEntries2.Add(stored);

        CDateEntry feedEntry = MakeEntry({"{A}", "new"}, c.storageType);
        if (c.moveStart) {
            feedEntry.Properties.StartDate = CDateTime(2024, 5, 1, 9, 30, 0);
            feedEntry.Properties.EndDate = CDateTime(2024, 5, 1, 10, 30, 0);
        }
        const int shift = c.moveStart ? 30 : 0;
        feedEntry.DueOccurrences.Add(CDateTime(2024, 5, 11, 9, shift, 0));
        for (const int day : {7, 10, 5}) {
            feedEntry.DroppedOccurrences.Add(CDateTime(2024, 5, day, 9, shift, 0));
        }
        feedEntry.LastCheckTime = CDateTime(2024, 5, 17, 8, 20, 0);
        CDateEntryArray feed;
        feed.Add(feedEntry);

        ASSERT_TRUE(Merge(Serialize(data), feed, {}, kAdd));
        const CEventData after = Result();
        ASSERT_EQ(after.DateEntries2.GetSize(), 1);
        const CDateEntry& entry = after.DateEntries2[0];
        EXPECT_EQ(entry.Properties.Description, "new");
        EXPECT_EQ(entry.GetStorageType(), c.storageType);
        EXPECT_EQ(Dates(entry.DueOccurrences), c.due);
        EXPECT_EQ(Dates(entry.SnoozedOccurrences), c.snoozed);
        EXPECT_EQ(entry.SnoozeUntil.GetSize(), entry.SnoozedOccurrences.GetSize());
        if (c.moveStart) {
            // The old occurrences went with the reset; the feed's dropped ones, in feed order.
            std::vector<std::string> expected;
            for (const int day : {7, 10, 5}) {
                expected.push_back(CDateTime(2024, 5, day, 9, 30, 0).FormatStorage());
            }
            EXPECT_EQ(Dates(entry.DroppedOccurrences), expected);
        } else {
            EXPECT_EQ(Dates(entry.DroppedOccurrences), c.dropped);
        }
        EXPECT_EQ(entry.LastCheckTime, c.takesLastCheck ? CDateTime(2024, 5, 17, 8, 20, 0)
                                                        : CDateTime(2024, 5, 17, 8, 0, 0));
    }
}

TEST_F(EventMergeTest, AppendedEntryKeepsItsWholeState) {
    CDateEntry feedEntry = MakeEntry({"{N}", "new"}, 2);
    feedEntry.DueOccurrences.Assign(DateArray({15}));
    feedEntry.AcknowledgedOccurrences.Assign(DateArray({16}));
    feedEntry.DroppedOccurrences.Assign(DateArray({4, 2}));
    feedEntry.LastCheckTime = CDateTime(2024, 5, 16, 12, 0, 0);
    CDateEntryArray feed;
    feed.Add(feedEntry);

    ASSERT_TRUE(Merge(Serialize(MakeData({}, {{"{A}", "a"}})), feed, {}, kAdd));
    const CEventData after = Result();
    ASSERT_EQ(after.DateEntries2.GetSize(), 2);
    const CDateEntry& entry = after.DateEntries2[1];
    EXPECT_EQ(entry.GetGuid(), "{N}");
    EXPECT_EQ(entry.GetStorageType(), 2);
    EXPECT_EQ(Dates(entry.DueOccurrences), Dates({15}));
    EXPECT_EQ(Dates(entry.AcknowledgedOccurrences), Dates({16}));
    EXPECT_EQ(Dates(entry.DroppedOccurrences), Dates({4, 2}));
    EXPECT_EQ(entry.LastCheckTime, CDateTime(2024, 5, 16, 12, 0, 0));
}

// A feed entry that does not carry a reminder, a colour or a category leaves the stored
// entry's own (what the user set in the calendar); what it does carry it updates, and the
// reminder state survives as for any StorageType 1 update of the description alone.
// The properties the merge writes go into the stored file's own storage: the checks run after
// the feed is gone, and again on the file saved and read back.
TEST_F(EventMergeTest, WhatAFeedEntryLeavesKeepsTheUsersChoices) {
    const struct {
        std::uint32_t keep;
        bool reminderKept;
        bool colorsKept;
        bool categoryKept;
    } cases[] = {
        {0, false, false, false},
        {kKeepReminders, true, false, false},
        {kKeepColors, false, true, false},
        {kKeepCategory, false, false, true},
        {kKeepReminders | kKeepColors | kKeepCategory, true, true, true},
    };
    for (const auto& c : cases) {
        CEventData data = MakeData({}, {{"{E}", "old"}});
        CDateEntry& stored = data.DateEntries2[0];
        stored.Properties.Forewarn = 1;
        stored.Properties.ForewarnSpan = 15;
        stored.Properties.SoundFile = stored.MakeText("bell.wav");
        stored.Properties.BgColor = 0x00FF00;
        stored.Properties.TextColor = 0x0000FF;
        stored.Properties.Category = stored.MakeText("Mine");
        stored.DueOccurrences.Assign(DateArray({16}));

        {
            CDateEntry feedEntry = MakeEntry({"{E}", "new"});
            feedEntry.Properties.Category = feedEntry.MakeText("Club");
            feedEntry.KeepStored = c.keep;
            CDateEntryArray feed;
            feed.Add(feedEntry);
            CEventMerge::ApplyFeed(data, feed, {});
        }
        const CEventData reloaded = Parse(Serialize(data));
        ASSERT_EQ(Serialize(reloaded), Serialize(data));

        const DateEntryProperties& after = data.DateEntries2[0].Properties;
        EXPECT_EQ(after.Description, "new") << c.keep;
        EXPECT_EQ(after.Forewarn, c.reminderKept ? 1 : 0) << c.keep;
        EXPECT_EQ(after.ForewarnSpan, c.reminderKept ? 15 : 0) << c.keep;
        EXPECT_EQ(after.SoundFile, c.reminderKept ? "bell.wav" : "") << c.keep;
        EXPECT_EQ(after.BgColor, c.colorsKept ? 0x00FF00 : 224) << c.keep;
        EXPECT_EQ(after.TextColor, c.colorsKept ? 0x0000FF : 0) << c.keep;
        EXPECT_EQ(after.Category, c.categoryKept ? "Mine" : "Club") << c.keep;
        EXPECT_EQ(Dates(data.DateEntries2[0].DueOccurrences), Dates({16})) << c.keep;
    }
}

// A feed entry counts as updated only where the stored record changes, and an entry counted as
// unchanged is saved byte for byte as before, its series-end cache included. The stored entry
// is the feed entry of the last import as the calendar keeps it: with reminders due and
// acknowledged, its series end cached, and where the feed leaves them to it the user's own
// colour, category and reminder.
TEST_F(EventMergeTest, OnlyAChangedRecordCountsAsUpdated) {
    const auto feedEntry = [](int storageType) {
        CDateEntry entry = MakeEntry({"{E}", "club night"}, storageType);
        entry.DueOccurrences.Assign(DateArray({16}));
        entry.AcknowledgedOccurrences.Assign(DateArray({15}));
        entry.DroppedOccurrences.Assign(DateArray({8}));
        entry.LastCheckTime = CDateTime(2024, 5, 17, 8, 0, 0);
        return entry;
    };
    const auto storedFor = [](const CDateEntry& feed) {
        CDateEntry stored = feed;
        stored.SeriesEndKnown = 1;
        stored.SeriesEnd = CDateTime(9999, 12, 31, 10, 0, 0);
        return stored;
    };
    const auto userChoices = [](CDateEntry& stored) {
        stored.Properties.BgColor = 0x00FF00;
        stored.Properties.Category = stored.MakeText("Mine");
        stored.Properties.Forewarn = 1;
        stored.Properties.ForewarnSpan = 15;
    };
    const struct {
        const char* what;
        int storageType;
        std::function<void(CDateEntry& stored, CDateEntry& feed)> change;
        bool updated;
    } cases[] = {
        {"the same entry again", 1, [](CDateEntry&, CDateEntry&) {}, false},
        {"the same entry again, storage type 2", 2, [](CDateEntry&, CDateEntry&) {}, false},
        {"the user's colour, category and reminder, which the feed leaves to the entry", 1,
         [&](CDateEntry& stored, CDateEntry& feed) {
             userChoices(stored);
             feed.KeepStored = kKeepColors | kKeepCategory | kKeepReminders;
         },
         false},
        {"a changed description", 1,
         [](CDateEntry&, CDateEntry& feed) {
             feed.Properties.Description = feed.MakeText("club night (moved hall)");
         },
         true},
        {"a colour the feed now gives", 1,
         [](CDateEntry&, CDateEntry& feed) { feed.Properties.BgColor = 0x0000FF; }, true},
        {"one more dropped occurrence", 1,
         [](CDateEntry&, CDateEntry& feed) { feed.DroppedOccurrences.Add(May(22)); }, true},
        {"a dropped occurrence that came back", 1,
         [](CDateEntry&, CDateEntry& feed) { feed.DroppedOccurrences.RemoveAll(); }, true},
        {"a new check time, storage type 2", 2,
         [](CDateEntry&, CDateEntry& feed) {
             feed.LastCheckTime = CDateTime(2024, 5, 17, 8, 20, 0);
         },
         true},
        {"the due reminder settled by the feed, storage type 2", 2,
         [](CDateEntry&, CDateEntry& feed) {
             feed.DueOccurrences.RemoveAll();
             feed.AcknowledgedOccurrences.Add(May(16));
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CDateEntry feed = feedEntry(c.storageType);
        CDateEntry stored = storedFor(feed);
        c.change(stored, feed);
        CEventData data = MakeData({}, {{"{A}", "a"}});
        data.DateEntries2.Add(stored);
        const std::vector<std::uint8_t> before = Serialize(data);
        CDateEntryArray feedEntries;
        feedEntries.Add(feed);
        SMergeCounts counts;

        CEventMerge::ApplyFeed(data, feedEntries, {}, &counts);

        EXPECT_EQ(counts.added, 0);
        EXPECT_EQ(counts.updated, c.updated ? 1 : 0);
        EXPECT_EQ(counts.unchanged, c.updated ? 0 : 1);
        EXPECT_EQ(Serialize(data) == before, !c.updated);
    }
}

// A stored value that still holds the default of the last import follows a changed default,
// which is a change; the user's own value stays, which is none.
TEST_F(EventMergeTest, AFollowedDefaultIsAChangeAndAKeptValueIsNone) {
    SImportedDefaults lastImport;
    lastImport.BgColor = 0x808000;
    for (const bool usersOwn : {false, true}) {
        SCOPED_TRACE(usersOwn ? "the user's own colour" : "the last import's default colour");
        CEventData data = MakeData({}, {{"{E}", "club"}});
        data.DateEntries2[0].Properties.BgColor = usersOwn ? 0x00FF00 : lastImport.BgColor;
        CDateEntry feed = MakeEntry({"{E}", "club"});
        feed.Properties.BgColor = 0x0000FF;  // the subscription's new colour
        feed.KeepStored = kKeepColors;
        CDateEntryArray feedEntries;
        feedEntries.Add(feed);
        SMergeCounts counts;

        CEventMerge::ApplyFeed(data, feedEntries, {}, &counts, &lastImport);

        EXPECT_EQ(data.DateEntries2[0].Properties.BgColor, usersOwn ? 0x00FF00 : 0x0000FF);
        EXPECT_EQ(counts.updated, usersOwn ? 0 : 1);
        EXPECT_EQ(counts.unchanged, usersOwn ? 1 : 0);
    }
}

}  // namespace
