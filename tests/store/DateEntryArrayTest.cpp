#include "store/DateEntryArray.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "store/EventData.h"
#include "store/RecordBytes.h"
#include "support/FakePlatform.h"

namespace {

// An entry whose every text and list holds something, the notes longer than a list store's
// first block.
CDateEntry MakeEntry(const std::string& name) {
    CDateEntry e;
    DateEntryProperties& p = e.Properties;
    p.GUID = e.MakeText("{" + name + "}");
    p.Category = e.MakeText("Cat " + name);
    p.Description = e.MakeText("Description of " + name);
    p.Notes = e.MakeText(std::string(70000, 'n') + name);
    p.Icon = e.MakeText("i.ico");
    p.SoundFile = e.MakeText("C:\\s.wav");
    p.DocumentFile = e.MakeText("C:\\d.doc");
    p.CmdLine = e.MakeText("run.exe");
    p.Parameter = e.MakeText("/" + name);
    p.Repeat = kRepeatEvery;
    p.RepeatRate = 1;
    p.RepeatUnit = kRepeatUnitDays;
    for (int i = 0; i < 6; ++i) {
        e.DueOccurrences.Add(CDateTime(2024, 1, 1 + i, 9, 0, 0));
        e.DroppedOccurrences.Add(CDateTime(2024, 2, 1 + i, 9, 0, 0));
    }
    e.AcknowledgedOccurrences.Add(CDateTime(2023, 12, 31, 9, 0, 0));
    e.SnoozedOccurrences.Add(CDateTime(2024, 1, 7, 9, 0, 0));
    e.SnoozeUntil.Add(CDateTime(2024, 1, 7, 9, 5, 0));
    return e;
}

// Everything an entry stores, as the file holds it.
Bytes Stored(const CDateEntry& entry) {
    return SerializeBytes(const_cast<CDateEntry&>(entry));
}

class DateEntryArrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.SetLocalTime({2024, 5, 17, 8, 30, 45});
        m_platform.Install();
    }

    CFakePlatform m_platform;
};

// An entry copied from one loaded file into another, by Add and by assignment, stays whole
// when the first file's data, with its store, is gone (AddressSanitizer sees any piece
// still read from there).
TEST_F(DateEntryArrayTest, EntryCopiedBetweenFilesOutlivesItsSource) {
    CEventData source;
    source.DateEntries2.Add(MakeEntry("a"));
    source.DateEntries2.Add(MakeEntry("b"));
    auto loaded = std::make_unique<CEventData>();
    ASSERT_EQ(LoadEventBytes(SaveEventBytes(source), *loaded), 0);
    const Bytes a = Stored(loaded->DateEntries2[0]);
    const Bytes b = Stored(loaded->DateEntries2[1]);

    CEventData target;
    target.DateEntries2.Add(MakeEntry("old"));
    target.DateEntries2.Add(loaded->DateEntries2[0]);
    target.DateEntries2[0] = loaded->DateEntries2[1];
    target.DateEntries1.Add(MakeEntry("moved"));
    // A move from another file's array copies: the entry must not keep that array's store.
    target.DateEntries1[0] = std::move(loaded->DateEntries2[0]);
    loaded.reset();

    EXPECT_EQ(Stored(target.DateEntries2[0]), b);
    EXPECT_EQ(Stored(target.DateEntries2[1]), a);
    EXPECT_EQ(Stored(target.DateEntries1[0]), a);
    EXPECT_EQ(target.DateEntries2[0].Properties.Parameter, "/b");
}

// Moves within an array (as removals make) and from an entry of its own store keep every
// piece; a standalone entry moved away leaves one that takes a new store when assigned.
TEST_F(DateEntryArrayTest, MovesKeepThePiecesAndAMovedFromEntryCanBeAssigned) {
    CDateEntryArray entries;
    for (const char* name : {"a", "b", "c"}) entries.Add(MakeEntry(name));
    const Bytes c = Stored(entries[2]);
    entries[0] = std::move(entries[2]);
    entries.RemoveAt(1, 2);
    ASSERT_EQ(entries.GetSize(), 1);
    EXPECT_EQ(Stored(entries[0]), c);

    CDateEntry standalone = MakeEntry("s");
    const Bytes s = Stored(standalone);
    CDateEntry taken(std::move(standalone));
    EXPECT_EQ(Stored(taken), s);
    standalone = entries[0];
    EXPECT_EQ(Stored(standalone), c);
    entries.RemoveAll();
    EXPECT_EQ(Stored(standalone), c);
    EXPECT_EQ(Stored(taken), s);

    // Many appends grow the block of entries: each entry moves, its pieces stay.
    for (int i = 0; i < 100; ++i) entries.Add(taken);
    for (const CDateEntry& entry : entries) ASSERT_EQ(Stored(entry), s);
}

TEST_F(DateEntryArrayTest, CopiedArrayHasAStoreOfItsOwn) {
    auto original = std::make_unique<CDateEntryArray>();
    original->Add(MakeEntry("a"));
    const Bytes a = Stored((*original)[0]);
    const CDateEntryArray copy(*original);
    EXPECT_NE(&copy.GetStore(), &original->GetStore());
    original.reset();
    ASSERT_EQ(copy.GetSize(), 1);
    EXPECT_EQ(Stored(copy[0]), a);
}

// A file damaged far into its entries (the store then holds several blocks and many lists)
// fails as a short stream and leaves the data as it was; LeakSanitizer sees any piece or
// entry that the failure left behind.
TEST_F(DateEntryArrayTest, DamagedLargeFileFailsAndLeavesNothingBehind) {
    CEventData data;
    for (int i = 0; i < 40; ++i) data.DateEntries2.Add(MakeEntry(std::to_string(i)));
    const Bytes file = SaveEventBytes(data);
    CEventData target;
    target.DateEntries2.Add(MakeEntry("kept"));
    const Bytes before = SaveEventBytes(target);
    for (const std::size_t size : {file.size() / 3, file.size() / 2 + 7, file.size() - 1}) {
        EXPECT_EQ(
            LoadEventBytes(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)),
                           target),
            CArchiveException::endOfFile)
            << "size " << size;
        EXPECT_EQ(SaveEventBytes(target), before);
    }
    ASSERT_EQ(LoadEventBytes(file, target), 0);
    EXPECT_EQ(SaveEventBytes(target), file);
}

}  // namespace
