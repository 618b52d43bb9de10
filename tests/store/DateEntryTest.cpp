#include "store/DateEntry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/RecordBytes.h"
#include "support/FakePlatform.h"

namespace {

const char kGuid1[] = "{00000000-0000-0000-0000-000000000001}";

CDateTimeArray Dates(std::initializer_list<CDateTime> values) {
    CDateTimeArray list;
    for (const CDateTime& value : values) list.Add(value);
    return list;
}

// Every stored field set to a value that differs from its default and from its
// neighbours, so that a field read into the wrong place shows.
CDateEntry MakeFilledEntry() {
    CDateEntry e;
    DateEntryProperties& p = e.Properties;
    p.GUID = e.MakeText("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    p.StorageType = 2;
    p.Category = e.MakeText("Work");
    p.Description = e.MakeText("Weekly \"review\"");
    p.Notes = e.MakeText(std::string(300, 'n'));  // 3-byte length prefix
    p.Display = 3;
    p.BgColor = 0x00336699;
    p.TextColor = 0x00FFFFFF;
    p.Icon = e.MakeText("clock.ico");
    p.StartDate = CDateTime(2023, 2, 6, 9, 15, 0);
    p.EndDate = CDateTime(2023, 2, 6, 10, 45, 0);
    p.ShowStartTime = 10;
    p.ShowEnd = 11;
    p.Repeat = 12;
    p.RepeatRate = 13;
    p.RepeatUnit = 14;
    p.RepeatWeekdayCount = 4;
    p.RepeatWeekday = 16;
    p.RepeatEnd = 17;
    p.RepeatEndCount = 18;
    p.RepeatEndDate = CDateTime(2024, 12, 31, 23, 59, 0);
    p.CondTimeEnable = 19;
    p.CondStartTime = CDateTime(1, 1, 1, 7, 30, 0);
    p.CondEndTime = CDateTime(1, 1, 1, 18, 15, 0);
    p.CondWeekdays = 0x1F;
    p.CondMonth = 0xAAA;
    p.Forewarn = 20;
    p.ForewarnSpan = 21;
    p.ForewarnUnit = 22;
    p.ForewarnSilent = 23;
    p.SnoozeSpan = 24;
    p.SnoozeUnit = 25;
    p.SnoozeType = 26;
    p.OverdueAction = 27;
    p.ExecuteSpan = 28;
    p.ExecuteUnit = 29;
    p.Action = 30;
    p.Sound = 31;
    p.SoundFile = e.MakeText("C:\\Sounds\\ding.wav");
    p.SoundRepeatEndless = 32;
    p.SoundRepeatCount = 33;
    p.DocumentFile = e.MakeText("C:\\Docs\\agenda.doc");
    p.AckOpen = 34;
    p.CmdLine = e.MakeText("notepad.exe");
    p.Parameter = e.MakeText("/p");
    p.AckExecute = 35;
    e.LastCheckTime = CDateTime(2024, 5, 1, 12, 0, 0);
    e.SeriesEnd = CDateTime(2024, 12, 31, 10, 45, 0);
    e.SeriesEndKnown = 1;
    e.DueOccurrences.Assign(
        Dates({CDateTime(2024, 4, 1, 9, 15, 0), CDateTime(2024, 4, 8, 9, 15, 0)}));
    e.AcknowledgedOccurrences.Assign(Dates({CDateTime(2024, 3, 25, 9, 15, 0)}));
    e.SnoozedOccurrences.Assign(Dates({CDateTime(2024, 4, 15, 9, 15, 0)}));
    e.SnoozeUntil.Assign(Dates({CDateTime(2024, 4, 15, 9, 20, 0)}));
    e.DroppedOccurrences.Assign(
        Dates({CDateTime(2024, 1, 1, 9, 15, 0), CDateTime(2024, 1, 8, 9, 15, 0),
               CDateTime(2024, 1, 15, 9, 15, 0)}));
    return e;
}

Bytes StoredFields(const CDateEntry& entry, int schema) {
    CByteWriter w;
    WriteDateEntryFields(w, entry, schema);
    return w.Data();
}

Bytes StoredObject(const CDateEntry& entry, int schema) {
    CByteWriter w;
    w.NewClass(static_cast<std::uint16_t>(schema), "CDateEntry");
    WriteDateEntryFields(w, entry, schema);
    return w.Data();
}

CDateEntry* AsDateEntry(const std::unique_ptr<CObject>& object) {
    return dynamic_cast<CDateEntry*>(object.get());
}

class DateEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.SetLocalTime({2024, 5, 17, 8, 30, 45});
        m_platform.Install();
    }

    CFakePlatform m_platform;
};

TEST_F(DateEntryTest, NewEntryTakesTheDefaults) {
    const CDateEntry e;
    const DateEntryProperties& p = e.Properties;
    EXPECT_EQ(p.GUID, kGuid1);
    EXPECT_EQ(e.GetGuid(), kGuid1);
    EXPECT_EQ(p.StorageType, 0);
    EXPECT_EQ(p.BgColor, 224);
    EXPECT_EQ(p.SnoozeSpan, 5);
    EXPECT_EQ(p.SnoozeUnit, 1);
    EXPECT_EQ(p.SoundRepeatEndless, 1);
    EXPECT_EQ(p.SoundRepeatCount, 3);
    EXPECT_EQ(p.CondWeekdays, 127);
    EXPECT_EQ(p.CondMonth, 4095);
    EXPECT_EQ(p.RepeatEndCount, 1);
    EXPECT_EQ(p.ShowStartTime, 1);
    EXPECT_EQ(p.ShowEnd, 1);
    EXPECT_EQ(p.ExecuteSpan, 1);
    EXPECT_EQ(p.ExecuteUnit, 1);
    // The clock says 08:30:45; the second is dropped.
    EXPECT_EQ(p.StartDate, CDateTime(2024, 5, 17, 8, 30, 0));
    EXPECT_EQ(p.EndDate, p.StartDate);
    EXPECT_EQ(p.RepeatEndDate, p.StartDate);
    EXPECT_EQ(p.CondStartTime, CDateTime(1, 1, 1, 8, 0, 0));
    EXPECT_EQ(p.CondEndTime, CDateTime(1, 1, 1, 17, 0, 0));
    EXPECT_EQ(e.LastCheckTime, CDateTime());
    EXPECT_EQ(e.SeriesEnd, CDateTime());
    EXPECT_EQ(e.SeriesEndKnown, 0);
    EXPECT_EQ(e.Spare, 0);
    EXPECT_TRUE(e.DueOccurrences.IsEmpty());
    EXPECT_TRUE(e.AcknowledgedOccurrences.IsEmpty());
    EXPECT_TRUE(e.SnoozedOccurrences.IsEmpty());
    EXPECT_TRUE(e.SnoozeUntil.IsEmpty());
    EXPECT_TRUE(e.DroppedOccurrences.IsEmpty());

    // 9 strings (GUID 38 characters), 34 int32, 7 date-times and 5 empty lists.
    CDateEntry copy(e);
    EXPECT_EQ(SerializeBytes(copy).size(), (1 + 38) + 8 + 34 * 4 + 7 * 8 + 5 * 2);
}

TEST_F(DateEntryTest, EachNewEntryAsksThePlatformForItsGuid) {
    const CDateEntry first;
    const CDateEntry second;
    EXPECT_EQ(first.GetGuid(), kGuid1);
    EXPECT_EQ(second.GetGuid(), "{00000000-0000-0000-0000-000000000002}");
    EXPECT_EQ(CDateEntry::CreateGuidString(), "{00000000-0000-0000-0000-000000000003}");
}

TEST_F(DateEntryTest, CopyingGeneratesNoGuidAndCopiesEveryStoredField) {
    CDateEntry original = MakeFilledEntry();  // takes GUID number 1
    original.OccurrenceCounter = 41;
    CDateEntry copy(original);
    EXPECT_EQ(CDateEntry::CreateGuidString(), "{00000000-0000-0000-0000-000000000002}");
    EXPECT_EQ(SerializeBytes(copy), SerializeBytes(original));
    EXPECT_EQ(copy.OccurrenceCounter, 41);
}

TEST_F(DateEntryTest, AssignmentReplacesListsAndCopiesTheCounter) {
    CDateEntry source = MakeFilledEntry();
    source.OccurrenceCounter = 7;
    CDateEntry target;
    // Longer lists than the source's: assignment must replace them, not append or keep.
    target.DueOccurrences.Assign(
        Dates({CDateTime(2000, 1, 1), CDateTime(2000, 1, 2), CDateTime(2000, 1, 3)}));
    target.SnoozeUntil.Assign(Dates({CDateTime(2000, 1, 4), CDateTime(2000, 1, 5)}));
    target.DroppedOccurrences.Assign(Dates({CDateTime(2000, 1, 6), CDateTime(2000, 1, 7),
                                            CDateTime(2000, 1, 8), CDateTime(2000, 1, 9)}));
    target = source;
    EXPECT_EQ(SerializeBytes(target), SerializeBytes(source));
    EXPECT_EQ(target.OccurrenceCounter, 7);

    const Bytes before = SerializeBytes(target);
    CDateEntry& self = target;
    target = self;
    EXPECT_EQ(SerializeBytes(target), before);
    EXPECT_EQ(target.DroppedOccurrences.GetSize(), 3);
}

TEST_F(DateEntryTest, ResetOccurrenceStateEmptiesTheListsOnly) {
    CDateEntry e = MakeFilledEntry();
    e.ResetOccurrenceState();
    EXPECT_TRUE(e.DueOccurrences.IsEmpty());
    EXPECT_TRUE(e.AcknowledgedOccurrences.IsEmpty());
    EXPECT_TRUE(e.SnoozedOccurrences.IsEmpty());
    EXPECT_TRUE(e.DroppedOccurrences.IsEmpty());
    EXPECT_TRUE(e.SnoozeUntil.IsEmpty());
    EXPECT_EQ(e.SnoozeUntil.GetCapacity(), 0);
    EXPECT_EQ(e.LastCheckTime, CDateTime(2024, 5, 1, 12, 0, 0));
    EXPECT_EQ(e.SeriesEnd, CDateTime(2024, 12, 31, 10, 45, 0));
    EXPECT_EQ(e.SeriesEndKnown, 1);
}

TEST_F(DateEntryTest, GetPropertiesCopiesAllProperties) {
    CDateEntry filled = MakeFilledEntry();
    filled.ResetOccurrenceState();
    filled.LastCheckTime = CDateTime();
    filled.SeriesEnd = CDateTime();
    filled.SeriesEndKnown = 0;

    CDateEntry target;
    filled.GetProperties(target.Properties);
    EXPECT_EQ(SerializeBytes(target), SerializeBytes(filled));
}

TEST_F(DateEntryTest, StoresSchema6InTableOrder) {
    CDateEntry e = MakeFilledEntry();
    EXPECT_EQ(SerializeBytes(e), StoredFields(e, 6));
    EXPECT_EQ(WriteObjectBytes(e), StoredObject(e, 6));
}

TEST_F(DateEntryTest, Schema6ObjectLoadsAndStoresBackUnchanged) {
    CDateEntry e = MakeFilledEntry();
    const Bytes stored = StoredObject(e, 6);
    std::unique_ptr<CObject> object;
    ASSERT_EQ(ReadObjectBytes(stored, CDateEntry::GetThisClass(), object), 0);
    CDateEntry* loaded = AsDateEntry(object);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetGuid(), e.GetGuid());
    EXPECT_EQ(loaded->Properties.Notes, e.Properties.Notes);
    EXPECT_EQ(loaded->Properties.Display, 3);
    EXPECT_EQ(loaded->Properties.RepeatWeekdayCount, 4);
    ASSERT_EQ(loaded->DroppedOccurrences.GetSize(), 3);
    EXPECT_EQ(loaded->DroppedOccurrences[2], CDateTime(2024, 1, 15, 9, 15, 0));
    EXPECT_EQ(WriteObjectBytes(*loaded), stored);
}

TEST_F(DateEntryTest, LoadingAsksForAGuidOnlyWhenTheSchemaHasNone) {
    const CDateEntry source = MakeFilledEntry();  // GUID number 1
    for (const int schema : {4, 5, 6}) {
        std::unique_ptr<CObject> object;
        ASSERT_EQ(ReadObjectBytes(StoredObject(source, schema), CDateEntry::GetThisClass(), object),
                  0);
        EXPECT_EQ(AsDateEntry(object)->GetGuid(), source.GetGuid());
    }
    EXPECT_EQ(CDateEntry::CreateGuidString(), "{00000000-0000-0000-0000-000000000002}");
}

// What an older stored schema lacks keeps the defaults of a new entry; two stored values
// are renumbered on the way in.
TEST_F(DateEntryTest, OlderSchemasLoadWithDefaultsAndAdjustments) {
    struct SCase {
        int schema;
        bool hasGuid;            // GUID, StorageType: from 4
        bool hasTextAndSnooze;   // TextColor, SnoozeSpan/Unit/Type: from 2
        bool hasSilentAndSound;  // ForewarnSilent, SoundRepeatEndless/Count: from 3
        bool hasIcon;            // from 5
        bool hasCondTime;        // CondTimeEnable, CondStartTime, CondEndTime: from 6
        int display;             // stored 3
        int repeatWeekdayCount;  // stored 4
    };
    const SCase cases[] = {
        {1, false, false, false, false, false, 4, 5}, {2, false, true, false, false, false, 4, 5},
        {3, false, true, true, false, false, 4, 4},   {4, true, true, true, false, false, 4, 4},
        {5, true, true, true, true, false, 3, 4},     {6, true, true, true, true, true, 3, 4},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE("schema " + std::to_string(c.schema));
        const CDateEntry source = MakeFilledEntry();
        m_platform.SetNextGuidNumber(500);
        std::unique_ptr<CObject> object;
        ASSERT_EQ(
            ReadObjectBytes(StoredObject(source, c.schema), CDateEntry::GetThisClass(), object), 0);
        const CDateEntry* loaded = AsDateEntry(object);
        ASSERT_NE(loaded, nullptr);

        CDateEntry expected(source);
        DateEntryProperties& p = expected.Properties;
        if (!c.hasGuid) {
            p.GUID = expected.MakeText(
                "{00000000-0000-0000-0000-0000000001F4}");  // the factory's new GUID
            p.StorageType = 0;
        }
        if (!c.hasTextAndSnooze) {
            p.TextColor = 0;
            p.SnoozeSpan = 5;
            p.SnoozeUnit = 1;
            p.SnoozeType = 0;
        }
        if (!c.hasSilentAndSound) {
            p.ForewarnSilent = 0;
            p.SoundRepeatEndless = 1;
            p.SoundRepeatCount = 3;
        }
        if (!c.hasIcon) p.Icon = {};
        if (!c.hasCondTime) {
            p.CondTimeEnable = 0;
            p.CondStartTime = CDateTime(1, 1, 1, 8, 0, 0);
            p.CondEndTime = CDateTime(1, 1, 1, 17, 0, 0);
        }
        p.Display = c.display;
        p.RepeatWeekdayCount = c.repeatWeekdayCount;

        // Stored again, the entry is a schema 6 object with those values.
        EXPECT_EQ(WriteObjectBytes(*loaded), StoredObject(expected, 6));
    }
}

// The fields of schema 1 are in every stored record: one that claims schema 0 holds them
// and loads as schema 1 does, adjustments and new GUID included.
TEST_F(DateEntryTest, RecordClaimingSchema0LoadsAsSchema1) {
    const CDateEntry source = MakeFilledEntry();
    CByteWriter claims0;
    claims0.NewClass(0, "CDateEntry");
    WriteDateEntryFields(claims0, source, 1);

    m_platform.SetNextGuidNumber(500);
    std::unique_ptr<CObject> asSchema1;
    ASSERT_EQ(ReadObjectBytes(StoredObject(source, 1), CDateEntry::GetThisClass(), asSchema1), 0);
    m_platform.SetNextGuidNumber(500);
    std::unique_ptr<CObject> asSchema0;
    ASSERT_EQ(ReadObjectBytes(claims0.Data(), CDateEntry::GetThisClass(), asSchema0), 0);

    EXPECT_EQ(AsDateEntry(asSchema0)->Properties.Display, 4);
    EXPECT_EQ(AsDateEntry(asSchema0)->Properties.RepeatWeekdayCount, 5);
    EXPECT_EQ(WriteObjectBytes(*asSchema0), WriteObjectBytes(*asSchema1));
}

TEST_F(DateEntryTest, AdjustmentsTouchOnlyTheRenumberedValues) {
    // Display 2 and 4 and RepeatWeekdayCount 3 and 5 stay as stored in a schema 1 record.
    for (const int value : {2, 4}) {
        CDateEntry source = MakeFilledEntry();
        source.Properties.Display = value;
        source.Properties.RepeatWeekdayCount = value + 1;
        std::unique_ptr<CObject> object;
        ASSERT_EQ(ReadObjectBytes(StoredObject(source, 1), CDateEntry::GetThisClass(), object), 0);
        EXPECT_EQ(AsDateEntry(object)->Properties.Display, value);
        EXPECT_EQ(AsDateEntry(object)->Properties.RepeatWeekdayCount, value + 1);
    }
}

TEST_F(DateEntryTest, StoredSpareLoadsAsZeroAndTheListsStillLoad) {
    CDateEntry source = MakeFilledEntry();
    source.Spare = 0x12345678;
    std::unique_ptr<CObject> object;
    ASSERT_EQ(ReadObjectBytes(StoredObject(source, 6), CDateEntry::GetThisClass(), object), 0);
    const CDateEntry* loaded = AsDateEntry(object);
    EXPECT_EQ(loaded->Spare, 0);
    EXPECT_EQ(loaded->DueOccurrences.GetSize(), 2);
    EXPECT_EQ(loaded->SnoozeUntil.GetSize(), 1);
    EXPECT_EQ(loaded->DroppedOccurrences.GetSize(), 3);

    source.Spare = 0;
    EXPECT_EQ(WriteObjectBytes(*loaded), StoredObject(source, 6));
}

TEST_F(DateEntryTest, SchemaAboveSixFailsBeforeAnyFieldIsRead) {
    // No fields follow the class record: reading any would end the stream (cause 3).
    for (const std::uint16_t schema : {7, 8, 0x7FFF, 0xFFFF}) {
        CByteWriter w;
        w.NewClass(schema, "CDateEntry");
        std::unique_ptr<CObject> object;
        EXPECT_EQ(ReadObjectBytes(w.Data(), CDateEntry::GetThisClass(), object),
                  CArchiveException::badSchema)
            << schema;
    }
}

TEST_F(DateEntryTest, LongDateTimeListUsesTheSixByteCount) {
    CDateEntry e = MakeFilledEntry();
    e.DroppedOccurrences.RemoveAll();
    for (int i = 0; i < 0xFFFF; ++i) e.DroppedOccurrences.Add(CDateTime::FromStored(i + 1, i));
    const Bytes stored = SerializeBytes(e);
    EXPECT_EQ(stored, StoredFields(e, 6));
    const std::size_t countAt = stored.size() - 0xFFFF * 8 - 6;
    EXPECT_EQ(Bytes(stored.begin() + countAt, stored.begin() + countAt + 6),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));

    std::unique_ptr<CObject> object;
    ASSERT_EQ(ReadObjectBytes(StoredObject(e, 6), CDateEntry::GetThisClass(), object), 0);
    EXPECT_EQ(AsDateEntry(object)->DroppedOccurrences.GetSize(), 0xFFFF);
    EXPECT_EQ(AsDateEntry(object)->DroppedOccurrences[0xFFFE],
              CDateTime::FromStored(0xFFFF, 0xFFFE));
}

// A list count that the rest of the file cannot hold fails as a short stream; under the
// sanitizers an attempt to size the list first would abort on the allocation.
TEST_F(DateEntryTest, ListCountBeyondTheFileFailsWithoutSizingTheList) {
    CDateEntry e = MakeFilledEntry();
    e.ResetOccurrenceState();
    Bytes fields = StoredObject(e, 6);
    fields.resize(fields.size() - 10);  // drop the five empty list counts

    const struct {
        Bytes count;
        int datesPresent;
    } cases[] = {
        {{0x02, 0x00}, 1},                          // one value short
        {{0xFE, 0xFF}, 3},                          // 65534 values claimed
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 3},  // 4294967295 values claimed
        {{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x20}, 0},  // 0x20000000 values claimed
    };
    for (const auto& c : cases) {
        CByteWriter w;
        w.Append(fields).Append(c.count);
        for (int i = 0; i < c.datesPresent; ++i) w.DateTime(CDateTime(2024, 1, 1));
        std::unique_ptr<CObject> object;
        EXPECT_EQ(ReadObjectBytes(w.Data(), CDateEntry::GetThisClass(), object),
                  CArchiveException::endOfFile);
    }
}

}  // namespace
