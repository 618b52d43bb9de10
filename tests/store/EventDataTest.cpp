#include "store/EventData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "store/RecordBytes.h"
#include "support/FakePlatform.h"

namespace {

CDateEntry MakeEntry(const std::string& description, int day) {
    CDateEntry e;
    e.Properties.Description = e.MakeText(description);
    e.Properties.Display = 3;
    e.Properties.RepeatWeekdayCount = 4;
    e.Properties.StartDate = CDateTime(2024, 6, day, 9, 0, 0);
    e.Properties.EndDate = CDateTime(2024, 6, day, 10, 0, 0);
    e.LastCheckTime = CDateTime(2024, 5, 1, 7, 0, 0);
    e.DueOccurrences.Add(CDateTime(2024, 6, day, 9, 0, 0));
    e.DroppedOccurrences.Add(CDateTime(2024, 7, day, 9, 0, 0));
    e.DroppedOccurrences.Add(CDateTime(2024, 8, day, 9, 0, 0));
    return e;
}

CTodoEntry MakeTodo(const std::string& text) {
    CTodoEntry t;
    t.Text1 = text;
    t.Value7 = 77;
    return t;
}

// Two date entries in the first list, one in the second, two to-do entries; one text
// long enough for the 3-byte length prefix.
CEventData MakeSmallData() {
    CEventData data;
    data.HeaderNumber = 100;
    data.DateEntries1.Add(MakeEntry("Dentist", 3));
    data.DateEntries1.Add(MakeEntry(std::string(260, 'd'), 4));
    data.DateEntries2.Add(MakeEntry("Standup", 5));
    data.TodoEntries.Add(MakeTodo("Call back"));
    data.TodoEntries.Add(MakeTodo(""));
    return data;
}

std::string Text(const Bytes& bytes, std::size_t at, std::size_t length) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
}

Bytes Slice(const Bytes& bytes, std::size_t at, std::size_t length) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
}

class EventDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.SetLocalTime({2024, 5, 17, 8, 30, 45});
        m_platform.Install();
    }

    CFakePlatform m_platform;
};

TEST_F(EventDataTest, EmptyEventDataIsASixteenByteFile) {
    const CEventData empty;
    const Bytes expected = {0x64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(SaveEventBytes(empty), expected);

    CEventData loaded = MakeSmallData();
    ASSERT_EQ(LoadEventBytes(expected, loaded), 0);
    EXPECT_EQ(loaded.HeaderNumber, 100);
    EXPECT_TRUE(loaded.DateEntries1.IsEmpty());
    EXPECT_TRUE(loaded.DateEntries2.IsEmpty());
    EXPECT_TRUE(loaded.TodoEntries.IsEmpty());
}

TEST_F(EventDataTest, HeaderNumberIsCarriedThrough) {
    const Bytes file = {0x04, 0x03, 0x02, 0x81, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    CEventData loaded;
    ASSERT_EQ(LoadEventBytes(file, loaded), 0);
    EXPECT_EQ(static_cast<std::uint32_t>(loaded.HeaderNumber), 0x81020304u);
    EXPECT_EQ(SaveEventBytes(loaded), file);
}

TEST_F(EventDataTest, SavedFileHasTheTaggedLayout) {
    const CEventData data = MakeSmallData();
    const Bytes saved = SaveEventBytes(data);
    EXPECT_EQ(saved, BuildEventFile(data));

    // The worked example: header, count, then the first date entry's class record.
    EXPECT_EQ(Slice(saved, 0, 8), (Bytes{0x64, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(Slice(saved, 8, 6), (Bytes{0xFF, 0xFF, 0x06, 0x00, 0x0A, 0x00}));
    EXPECT_EQ(Text(saved, 14, 10), "CDateEntry");
    CDateEntry first(data.DateEntries1[0]);
    CDateEntry second(data.DateEntries1[1]);
    const std::size_t secondAt = 24 + SerializeBytes(first).size();
    EXPECT_EQ(Slice(saved, secondAt, 2), (Bytes{0x01, 0x80}));
    // The second list's entry is also of class 1.
    const std::size_t thirdAt = secondAt + 2 + SerializeBytes(second).size() + 4;
    EXPECT_EQ(Slice(saved, thirdAt, 2), (Bytes{0x01, 0x80}));

    // The to-do list: a new class record, then class 5 (after class 1 and objects 2, 3, 4).
    CTodoEntry firstTodo(data.TodoEntries[0]);
    CTodoEntry secondTodo(data.TodoEntries[1]);
    const std::size_t secondTodoFields = SerializeBytes(secondTodo).size();
    const std::size_t secondTodoAt = saved.size() - secondTodoFields - 2;
    const std::size_t firstTodoAt = secondTodoAt - SerializeBytes(firstTodo).size() - 16;
    EXPECT_EQ(Slice(saved, firstTodoAt - 4, 4), (Bytes{2, 0, 0, 0}));
    EXPECT_EQ(Slice(saved, firstTodoAt, 6), (Bytes{0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00}));
    EXPECT_EQ(Text(saved, firstTodoAt + 6, 10), "CTodoEntry");
    EXPECT_EQ(Slice(saved, secondTodoAt, 2), (Bytes{0x05, 0x80}));
}

TEST_F(EventDataTest, ClassNumberingDoesNotDependOnTheList) {
    CEventData data;
    data.DateEntries2.Add(MakeEntry("only", 6));
    const Bytes saved = SaveEventBytes(data);
    EXPECT_EQ(Slice(saved, 4, 8), (Bytes{0, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(Slice(saved, 12, 6), (Bytes{0xFF, 0xFF, 0x06, 0x00, 0x0A, 0x00}));
    EXPECT_EQ(saved, BuildEventFile(data));
}

TEST_F(EventDataTest, CurrentSchemaFileIsWrittenBackByteForByte) {
    const Bytes file = BuildEventFile(MakeSmallData());
    CEventData loaded;
    ASSERT_EQ(LoadEventBytes(file, loaded), 0);
    ASSERT_EQ(loaded.DateEntries1.GetSize(), 2);
    ASSERT_EQ(loaded.DateEntries2.GetSize(), 1);
    ASSERT_EQ(loaded.TodoEntries.GetSize(), 2);
    EXPECT_EQ(loaded.DateEntries1[1].Properties.Description, std::string(260, 'd'));
    EXPECT_EQ(loaded.DateEntries2[0].Properties.Description, "Standup");
    EXPECT_EQ(loaded.DateEntries2[0].DroppedOccurrences.GetSize(), 2);
    EXPECT_EQ(loaded.TodoEntries[0].Text1, "Call back");
    EXPECT_EQ(SaveEventBytes(loaded), file);
}

TEST_F(EventDataTest, OlderSchemasAreSavedAsTheCurrentOnes) {
    const CEventData source = MakeSmallData();
    m_platform.SetNextGuidNumber(0x100);
    CEventData loaded;
    ASSERT_EQ(LoadEventBytes(BuildEventFile(source, 2, 1), loaded), 0);

    // Schema 2 date entries: new GUIDs in load order, and the defaults of what schema 2
    // lacks; schema 1 to-do entries: new GUIDs and the defaults of Value1..Value5.
    CEventData expected = source;
    int guid = 0x100;
    auto nextGuid = [&guid] {
        char text[40];
        std::snprintf(text, sizeof text, "{00000000-0000-0000-0000-%012X}", guid++);
        return std::string(text);
    };
    for (CDateEntryArray* list : {&expected.DateEntries1, &expected.DateEntries2}) {
        for (CDateEntry& e : *list) {
            e.Properties.GUID = e.MakeText(nextGuid());
            e.Properties.Display = 4;
            e.Properties.RepeatWeekdayCount = 5;
        }
    }
    for (CTodoEntry& t : expected.TodoEntries) {
        t.GUID = nextGuid();
        t.Value1 = 0;
    }
    EXPECT_EQ(SaveEventBytes(loaded), BuildEventFile(expected));
}

// A cut inside a class name would be an unreadable class name, but such a cut always leaves
// fewer bytes than the list's count claims, so every truncation is a short stream.
TEST_F(EventDataTest, EveryTruncationFailsAsShortStream) {
    const Bytes file = BuildEventFile(MakeSmallData());
    for (std::size_t size = 0; size < file.size(); ++size) {
        CEventData loaded;
        EXPECT_EQ(LoadEventBytes(Slice(file, 0, size), loaded), CArchiveException::endOfFile)
            << "size " << size;
    }
}

TEST_F(EventDataTest, DamagedTagsAndClassRecordsFail) {
    auto file = [](const std::function<void(CByteWriter&)>& firstObject) {
        CByteWriter w;
        w.Int32(100).Int32(1);
        firstObject(w);
        // Enough bytes for the count check, so that the tag itself is judged.
        w.Append(Bytes(400, 0));
        return w.Data();
    };
    CDateEntry entry = MakeEntry("x", 7);
    CByteWriter entryFields;
    WriteDateEntryFields(entryFields, entry, 6);
    CByteWriter todoFields;
    WriteTodoFields(todoFields, MakeTodo("t"), 3);

    const struct {
        const char* name;
        Bytes bytes;
        int cause;
    } cases[] = {
        {"class number never given", file([](CByteWriter& w) { w.UInt16(0x8001); }),
         CArchiveException::badIndex},
        {"object reference", file([](CByteWriter& w) { w.UInt16(0x0001); }),
         CArchiveException::badIndex},
        {"no object", file([](CByteWriter& w) { w.UInt16(0x0000); }), CArchiveException::badIndex},
        {"escaped class never given",
         file([](CByteWriter& w) { w.UInt16(0x7FFF).UInt32(0x80000003); }),
         CArchiveException::badIndex},
        {"class tag naming an object",
         [&] {
             CByteWriter w;
             w.Int32(100).Int32(2).NewClass(6, "CDateEntry").Append(entryFields.Data());
             w.UInt16(0x8002).Append(entryFields.Data()).Int32(0).Int32(0);
             return w.Data();
         }(),
         CArchiveException::badIndex},
        {"unknown class name", file([](CByteWriter& w) { w.NewClass(6, "CDateEntryX"); }),
         CArchiveException::badClass},
        {"64-character class name",
         file([](CByteWriter& w) { w.NewClass(6, "CDateEntry" + std::string(54, 'x')); }),
         CArchiveException::badClass},
        {"to-do entry in a date-entry list",
         file([&](CByteWriter& w) { w.NewClass(3, "CTodoEntry").Append(todoFields.Data()); }),
         CArchiveException::badClass},
        {"date-time object in a date-entry list",
         file([](CByteWriter& w) { w.NewClass(1, "CDateTime").Int32(1).Int32(0); }),
         CArchiveException::badClass},
        {"base class name", file([](CByteWriter& w) { w.NewClass(0xFFFF, "CObject"); }),
         CArchiveException::badClass},
        {"date entry in the to-do list",
         [&] {
             CByteWriter w;
             w.Int32(100).Int32(0).Int32(0).Int32(1).NewClass(6, "CDateEntry");
             w.Append(entryFields.Data()).Append(Bytes(400, 0));
             return w.Data();
         }(),
         CArchiveException::badClass},
        {"date entry of schema 7",
         file([&](CByteWriter& w) { w.NewClass(7, "CDateEntry").Append(entryFields.Data()); }),
         CArchiveException::badSchema},
    };
    for (const auto& c : cases) {
        CEventData loaded;
        EXPECT_EQ(LoadEventBytes(c.bytes, loaded), c.cause) << c.name;
    }
}

// Counts are refused before any list is sized; under the sanitizers sizing a list for
// two billion entries would abort on the allocation.
TEST_F(EventDataTest, TopLevelCountsTheFileCannotHoldFail) {
    const struct {
        const char* name;
        std::int32_t counts[3];
    } cases[] = {
        {"negative first count", {-1, 0, 0}},     {"negative to-do count", {0, 0, -5}},
        {"huge first count", {0x7FFFFFFF, 0, 0}}, {"huge second count", {0, 0x40000000, 0}},
        {"huge to-do count", {0, 0, 0x7FFFFFFF}}, {"one more than present", {0, 1, 0}},
    };
    for (const auto& c : cases) {
        CByteWriter w;
        w.Int32(100).Int32(c.counts[0]).Int32(c.counts[1]).Int32(c.counts[2]);
        w.Append(Bytes(64, 0));
        CEventData loaded;
        EXPECT_EQ(LoadEventBytes(w.Data(), loaded), CArchiveException::endOfFile) << c.name;
    }

    // A valid first entry behind a huge count: storing it must not size the list first.
    CByteWriter w;
    w.Int32(100).Int32(0x7FFFFFFF).NewClass(6, "CDateEntry");
    WriteDateEntryFields(w, MakeEntry("first", 1), 6);
    CEventData loaded;
    EXPECT_EQ(LoadEventBytes(w.Data(), loaded), CArchiveException::endOfFile);
}

TEST_F(EventDataTest, SmallestRecordsStillFitTheCountCheck) {
    // Schema 1 records with every text and list empty are the smallest there are.
    CEventData data;
    for (int i = 0; i < 3; ++i) {
        data.DateEntries2.Add(CDateEntry());
        data.TodoEntries.Add(CTodoEntry());
    }
    CByteWriter dateFields;
    WriteDateEntryFields(dateFields, data.DateEntries2[0], 1);
    CByteWriter todoFields;
    WriteTodoFields(todoFields, data.TodoEntries[0], 1);
    ASSERT_EQ(dateFields.Size(), 157u);
    ASSERT_EQ(todoFields.Size(), 52u);

    CEventData loaded;
    EXPECT_EQ(LoadEventBytes(BuildEventFile(data, 1, 1), loaded), 0);
    EXPECT_EQ(loaded.DateEntries2.GetSize(), 3);
    EXPECT_EQ(loaded.TodoEntries.GetSize(), 3);
}

TEST_F(EventDataTest, FailedLoadLeavesTheDataUnchanged) {
    CEventData data;
    const Bytes good = BuildEventFile(MakeSmallData());
    ASSERT_EQ(LoadEventBytes(good, data), 0);
    ASSERT_NE(LoadEventBytes(Slice(good, 0, good.size() - 1), data), 0);
    EXPECT_EQ(SaveEventBytes(data), good);
}

TEST_F(EventDataTest, BytesAfterTheLastTodoEntryAreIgnored) {
    const Bytes good = BuildEventFile(MakeSmallData());
    CByteWriter w;
    w.Append(good).UInt16(0xFFFF).Raw("trailing");
    CEventData loaded;
    ASSERT_EQ(LoadEventBytes(w.Data(), loaded), 0);
    EXPECT_EQ(SaveEventBytes(loaded), good);
}

}  // namespace
