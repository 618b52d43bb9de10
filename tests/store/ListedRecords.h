// The records that the tests of the event file's listings write: a date entry with every
// kind of field filled (texts, a colour, date-times, a date-time list) and a to-do entry,
// under a fixed clock; and the names of every stored field in stored order.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/EventData.h"
#include "support/FakePlatform.h"

inline const std::vector<std::string> kDateEntryFields = {"GUID",
                                                          "StorageType",
                                                          "Category",
                                                          "Description",
                                                          "Notes",
                                                          "Display",
                                                          "BgColor",
                                                          "TextColor",
                                                          "Icon",
                                                          "StartDate",
                                                          "EndDate",
                                                          "ShowStartTime",
                                                          "ShowEnd",
                                                          "Repeat",
                                                          "RepeatRate",
                                                          "RepeatUnit",
                                                          "RepeatWeekdayCount",
                                                          "RepeatWeekday",
                                                          "RepeatEnd",
                                                          "RepeatEndCount",
                                                          "RepeatEndDate",
                                                          "CondTimeEnable",
                                                          "CondStartTime",
                                                          "CondEndTime",
                                                          "CondWeekdays",
                                                          "CondMonth",
                                                          "Forewarn",
                                                          "ForewarnSpan",
                                                          "ForewarnUnit",
                                                          "ForewarnSilent",
                                                          "SnoozeSpan",
                                                          "SnoozeUnit",
                                                          "SnoozeType",
                                                          "OverdueAction",
                                                          "ExecuteSpan",
                                                          "ExecuteUnit",
                                                          "Action",
                                                          "Sound",
                                                          "SoundFile",
                                                          "SoundRepeatEndless",
                                                          "SoundRepeatCount",
                                                          "DocumentFile",
                                                          "AckOpen",
                                                          "CmdLine",
                                                          "Parameter",
                                                          "AckExecute",
                                                          "LastCheckTime",
                                                          "SeriesEnd",
                                                          "SeriesEndKnown",
                                                          "Spare",
                                                          "DueOccurrences",
                                                          "AcknowledgedOccurrences",
                                                          "SnoozedOccurrences",
                                                          "SnoozeUntil",
                                                          "DroppedOccurrences"};

inline const std::vector<std::string> kTodoEntryFields = {
    "GUID",    "Value1",  "Text1",   "Text2",  "Text3",   "Value2", "Value3",
    "Value4",  "Value5",  "Date1",   "Value6", "Value7",  "Value8", "Value9",
    "Value10", "Value11", "Value12", "Text4",  "Value13", "Date2"};

// An entry as the agenda tests list it: one occurrence from `start` to `end`.
inline CDateEntry ListedEntry(const std::string& guid, const std::string& description,
                              const CDateTime& start, const CDateTime& end) {
    CDateEntry entry;
    entry.Properties.GUID = entry.MakeText(guid);
    entry.Properties.Description = entry.MakeText(description);
    entry.Properties.StartDate = start;
    entry.Properties.EndDate = end;
    entry.Properties.RepeatEndDate = start;
    return entry;
}

class CListedRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.SetLocalTime({2024, 5, 17, 8, 30, 45});
        m_platform.Install();

        CDateEntry e;
        e.Properties.Description = e.MakeText("Dentist");
        e.Properties.BgColor = 0x00FF8000;
        e.Properties.StartDate = CDateTime(2024, 6, 3, 9, 0, 0);
        e.SeriesEndKnown = 1;
        e.DroppedOccurrences.Add(CDateTime(2024, 7, 3, 9, 0, 0));
        e.DroppedOccurrences.Add(CDateTime(2024, 8, 3, 9, 0, 5));
        m_data.DateEntries2.Add(e);
        CTodoEntry t;
        t.Text1 = "Call back";
        t.Value13 = -7;
        m_data.TodoEntries.Add(t);
    }

    // Puts `stored` into the date entry's notes.
    void SetNotes(const std::string& stored) {
        m_data.DateEntries2[0].Properties.Notes = m_data.DateEntries2[0].MakeText(stored);
    }

    CFakePlatform m_platform;
    CEventData m_data;
};
