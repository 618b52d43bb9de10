#include <gtest/gtest.h>

#include <string>

#include "datetime/DateTime.h"
#include "feed/FeedSection.h"
#include "ini/IniDocument.h"
#include "store/DateEntry.h"
#include "support/FakePlatform.h"

namespace {

// Date-times compare by their storage text, which a failure message shows readably.
template <class T>
const T& Comparable(const T& value) {
    return value;
}
std::string Comparable(const CPackedDateTime& value) {
    return value.Get().FormatStorage();
}

// Property by property, so that a failure names the property.
void ExpectSameProperties(const DateEntryProperties& a, const DateEntryProperties& b) {
#define ZF_EXPECT_SAME(name, type, initial, form, firstSchema) \
    EXPECT_EQ(Comparable(a.name), Comparable(b.name)) << #name;
    ZF_DATE_ENTRY_PROPERTIES(ZF_EXPECT_SAME)
#undef ZF_EXPECT_SAME
}

DateEntryProperties PropertiesOf(const CDateEntry& entry) {
    DateEntryProperties properties;
    entry.GetProperties(properties);
    return properties;
}

// The fake clock stands at 2024-05-17 08:30:00, so a new entry starts then.
class DateEntryFeedTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform.Install(); }

    // Loads section "S" of `text` into `entry`.
    static void Load(CDateEntry& entry, const std::string& text) {
        CIniDocument document;
        document.Parse(text);
        CFeedSection values;
        values.Gather(document, document.FindSection("S"));
        entry.LoadFromFeed(values, "S");
    }

    CFakePlatform m_platform;
};

TEST_F(DateEntryFeedTest, EveryKeyFillsItsProperty) {
    CDateEntry entry;
    Load(entry,
         "[S]\n"
         "GUID={12345678-9ABC-DEF0-1234-56789ABCDEF0}\n"
         "StorageType=2\n"
         "Category=Cat\n"
         "Description=Desc\n"
         "Notes=Line1\\nLine2\n"
         "Display=3\n"
         "BgColor=1,2,3\n"
         "TextColor=4,5,6\n"
         "Icon=ico\n"
         "StartDate=2024 05 20 08 00 00\n"
         "EndDate=2024 05 20 09 15 00\n"
         "ShowStartTime=0\n"
         "ShowEnd=2\n"
         "Repeat=1\n"
         "RepeatRate=2\n"
         "RepeatUnit=2\n"
         "RepeatWeekdayCount=3\n"
         "RepeatWeekday=4\n"
         "RepeatEnd=2\n"
         "RepeatEndCount=7\n"
         "RepeatEndDate=2024 12 31 00 00 00\n"
         "CondTimeEnable=1\n"
         "CondStartTime=0001 01 01 07 00 00\n"
         "CondEndTime=0001 01 01 18 00 00\n"
         "CondWeekdays=31\n"
         "CondMonth=4094\n"
         "Forewarn=1\n"
         "ForewarnSpan=10\n"
         "ForewarnUnit=2\n"
         "ForewarnSilent=1\n"
         "SnoozeSpan=9\n"
         "SnoozeUnit=3\n"
         "SnoozeType=2\n"
         "OverdueAction=1\n"
         "ExecuteSpan=4\n"
         "ExecuteUnit=0\n"
         "Action=5\n"
         "Sound=6\n"
         "SoundFile=C:\\\\Media\\\\ding.wav\n"
         "SoundRepeatEndless=0\n"
         "SoundRepeatCount=8\n"
         "DocumentFile=D:\\\\doc.txt\n"
         "AckOpen=1\n"
         "CmdLine=run.exe\n"
         "Parameter=-x\n"
         "AckExecute=-1\n");

    CRecordStore texts;
    DateEntryProperties expected;
    expected.GUID = texts.Text("{12345678-9ABC-DEF0-1234-56789ABCDEF0}");
    expected.StorageType = 2;
    expected.Category = texts.Text("Cat");
    expected.Description = texts.Text("Desc");
    expected.Notes = texts.Text("Line1\nLine2");
    expected.Display = 3;
    expected.BgColor = 0x030201;
    expected.TextColor = 0x060504;
    expected.Icon = texts.Text("ico");
    expected.StartDate = CDateTime(2024, 5, 20, 8, 0, 0);
    expected.EndDate = CDateTime(2024, 5, 20, 9, 15, 0);
    expected.ShowStartTime = 0;
    expected.ShowEnd = 2;
    expected.Repeat = 1;
    expected.RepeatRate = 2;
    expected.RepeatUnit = 2;
    expected.RepeatWeekdayCount = 3;
    expected.RepeatWeekday = 4;
    expected.RepeatEnd = 2;
    expected.RepeatEndCount = 7;
    expected.RepeatEndDate = CDateTime(2024, 12, 31);
    expected.CondTimeEnable = 1;
    expected.CondStartTime = CDateTime(1, 1, 1, 7, 0, 0);
    expected.CondEndTime = CDateTime(1, 1, 1, 18, 0, 0);
    expected.CondWeekdays = 31;
    expected.CondMonth = 4094;
    expected.Forewarn = 1;
    expected.ForewarnSpan = 10;
    expected.ForewarnUnit = 2;
    expected.ForewarnSilent = 1;
    expected.SnoozeSpan = 9;
    expected.SnoozeUnit = 3;
    expected.SnoozeType = 2;
    expected.OverdueAction = 1;
    expected.ExecuteSpan = 4;
    expected.ExecuteUnit = 0;
    expected.Action = 5;
    expected.Sound = 6;
    expected.SoundFile = texts.Text("C:\\Media\\ding.wav");
    expected.SoundRepeatEndless = 0;
    expected.SoundRepeatCount = 8;
    expected.DocumentFile = texts.Text("D:\\doc.txt");
    expected.AckOpen = 1;
    expected.CmdLine = texts.Text("run.exe");
    expected.Parameter = texts.Text("-x");
    expected.AckExecute = -1;
    ExpectSameProperties(PropertiesOf(entry), expected);
    EXPECT_EQ(entry.LastCheckTime, CDateTime(2024, 5, 17, 8, 30, 0));
}

TEST_F(DateEntryFeedTest, SectionWithOnlyAGuidKeepsTheDefaults) {
    const CDateEntry fresh;
    CDateEntry entry;
    Load(entry, "[S]\nGUID={00000000-0000-0000-0000-00000000000A}\nUnknown=1\n");
    CRecordStore texts;
    DateEntryProperties expected = PropertiesOf(fresh);
    expected.GUID = texts.Text("{00000000-0000-0000-0000-00000000000A}");
    ExpectSameProperties(PropertiesOf(entry), expected);
    EXPECT_EQ(expected.StartDate, CDateTime(2024, 5, 17, 8, 30, 0));
}

TEST_F(DateEntryFeedTest, MissingSectionChangesNoProperty) {
    CDateEntry entry;
    const DateEntryProperties before = PropertiesOf(entry);
    Load(entry, "[Other]\nNotes=x\n");
    ExpectSameProperties(PropertiesOf(entry), before);
}

struct CarryCase {
    const char* name;
    const char* secondLine;  // nullptr: the key is absent from the second section
    std::string expectedNotes;
    std::int32_t expectedDisplay;
    std::int32_t expectedBgColor;
    CDateTime expectedStart;
};

TEST_F(DateEntryFeedTest, SecondSectionOnTheSameEntry) {
    const std::string first =
        "[S]\nNotes=first\nDisplay=3\nBgColor=1,2,3\nStartDate=2024 06 01 10 00 00\n";
    const CDateTime start(2024, 6, 1, 10, 0, 0);
    const CarryCase cases[] = {
        {"all absent", nullptr, "first", 3, 0x030201, start},
        {"empty text empties", "Notes=", "", 3, 0x030201, start},
        {"empty integer keeps", "Display=", "first", 3, 0x030201, start},
        {"empty colour keeps", "BgColor=", "first", 3, 0x030201, start},
        {"colour of one number keeps", "BgColor=255", "first", 3, 0x030201, start},
        {"colour of two numbers keeps", "BgColor=255,255", "first", 3, 0x030201, start},
        {"empty date keeps", "StartDate=", "first", 3, 0x030201, start},
        {"letters read as 0", "Display=many", "first", 0, 0x030201, start},
        {"unreadable date is the new-value date", "StartDate=17.05.2024", "first", 3, 0x030201,
         CDateTime()},
        {"valid date, invalid time", "StartDate=2024 06 02 24 00 00", "first", 3, 0x030201,
         CDateTime(2024, 6, 2)},
        {"time alone does not read", "StartDate=08:30", "first", 3, 0x030201, CDateTime()},
        {"short date form", "StartDate=2024-06-03", "first", 3, 0x030201, CDateTime(2024, 6, 3)},
        {"date and minutes", "StartDate=2024-06-03 08:30", "first", 3, 0x030201,
         CDateTime(2024, 6, 3, 8, 30, 0)},
    };
    for (const CarryCase& c : cases) {
        CDateEntry entry;
        Load(entry, first);
        Load(entry, std::string("[S]\n") + (c.secondLine ? c.secondLine : "") + "\n");
        EXPECT_EQ(entry.Properties.Notes, c.expectedNotes) << c.name;
        EXPECT_EQ(entry.Properties.Display, c.expectedDisplay) << c.name;
        EXPECT_EQ(entry.Properties.BgColor, c.expectedBgColor) << c.name;
        EXPECT_EQ(entry.Properties.StartDate.Get().FormatStorage(), c.expectedStart.FormatStorage())
            << c.name;
    }
}

TEST_F(DateEntryFeedTest, AbsentTextKeepsItsBackslashes) {
    // Handing the carried text to GetString as the default would un-escape it again.
    CDateEntry entry;
    Load(entry, "[S]\nSoundFile=C:\\\\Media\\\\ding.wav\nCmdLine=a\\\\tb\n");
    ASSERT_EQ(entry.Properties.SoundFile, "C:\\Media\\ding.wav");
    Load(entry, "[S]\nNotes=x\n");
    EXPECT_EQ(entry.Properties.SoundFile, "C:\\Media\\ding.wav");
    EXPECT_EQ(entry.Properties.CmdLine, "a\\tb");
}

TEST_F(DateEntryFeedTest, DroppedOccurrencesUpToTheFirstGap) {
    const std::string daily =
        "[S]\nStartDate=2024 05 01 08 00 00\nEndDate=2024 05 01 09 00 00\nRepeat=1\n"
        "RepeatRate=1\nRepeatUnit=2\n";
    struct DroppedCase {
        const char* name;
        std::string keys;
        std::vector<CDateTime> dropped;
    };
    const DroppedCase cases[] = {
        {"none", "", {}},
        {"0 and 1",
         "DroppedOccurence 0=2024 05 20 08 00 00\nDroppedOccurence 1=2024 05 21 08 00 00\n",
         {CDateTime(2024, 5, 20, 8, 0, 0), CDateTime(2024, 5, 21, 8, 0, 0)}},
        {"0 and 2: 2 is after the gap",
         "DroppedOccurence 0=2024 05 20 08 00 00\nDroppedOccurence 2=2024 05 22 08 00 00\n",
         {CDateTime(2024, 5, 20, 8, 0, 0)}},
        {"only 1: nothing read", "DroppedOccurence 1=2024 05 20 08 00 00\n", {}},
        {"empty value drops 1970-01-01", "DroppedOccurence 0=\n", {CDateTime(1970, 1, 1)}},
        {"the same occurrence twice is listed once",
         "DroppedOccurence 0=2024 05 20 08 00 00\nDroppedOccurence 1=2024-05-20 08:00\n",
         {CDateTime(2024, 5, 20, 8, 0, 0)}},
        {"English spelling is not read", "DroppedOccurrence 0=2024 05 20 08 00 00\n", {}},
    };
    for (const DroppedCase& c : cases) {
        CDateEntry entry;
        Load(entry, daily + c.keys);
        ASSERT_EQ(entry.GetDroppedOccurrenceCount(), static_cast<int>(c.dropped.size())) << c.name;
        for (int i = 0; i < entry.GetDroppedOccurrenceCount(); ++i) {
            EXPECT_EQ(entry.GetDroppedOccurrence(i), c.dropped[static_cast<std::size_t>(i)])
                << c.name;
        }
    }
}

TEST_F(DateEntryFeedTest, RemindersAreBroughtUpToTheTimeOfReading) {
    CDateEntry entry;
    Load(entry, "[S]\nStartDate=2024 05 01 08 00 00\n");
    EXPECT_EQ(entry.LastCheckTime, CDateTime(2024, 5, 17, 8, 30, 0));
    m_platform.SetLocalTime({2024, 5, 18, 12, 0, 0});
    Load(entry, "[S]\nNotes=later\n");
    EXPECT_EQ(entry.LastCheckTime, CDateTime(2024, 5, 18, 12, 0, 0));
}

}  // namespace
