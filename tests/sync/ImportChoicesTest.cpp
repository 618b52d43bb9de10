#include "sync/ImportChoices.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "store/DateEntryCodes.h"
#include "store/EventData.h"
#include "sync/EventMerge.h"

namespace {

constexpr std::int32_t kRed = 0x0000FF;  // 0x00BBGGRR
constexpr std::int32_t kBlue = 0xFF0000;
constexpr std::int32_t kGreen = 0x00FF00;

// An imported event as the mapper gives it: `keep` names what its source did not carry.
CDateEntry Event(const std::string& guid, bool wholeDay, std::uint32_t keep) {
    CDateEntry entry;
    entry.Properties.GUID = entry.MakeText(guid);
    entry.Properties.StorageType = kStorageTypeProperties;
    entry.Properties.StartDate = CDateTime(2027, 3, 1, wholeDay ? 0 : 9, 0, 0);
    entry.Properties.EndDate = CDateTime(2027, 3, 1, wholeDay ? 23 : 10, wholeDay ? 59 : 0, 0);
    entry.Properties.ShowStartTime = wholeDay ? 0 : 1;
    entry.Properties.Notes = entry.MakeText("Room 4");
    if ((keep & kKeepColors) == 0) entry.Properties.BgColor = kGreen;
    if ((keep & kKeepCategory) == 0) entry.Properties.Category = entry.MakeText("Publisher");
    if ((keep & kKeepReminders) == 0) {
        entry.Properties.Forewarn = 1;
        entry.Properties.ForewarnSpan = 5;
    }
    entry.KeepStored = keep;
    return entry;
}

constexpr std::uint32_t kCarriesNothing = kKeepColors | kKeepCategory | kKeepReminders;

SImportChoices AllChoices() {
    SImportChoices choices;
    choices.BgColor = kRed;
    choices.Category = "School";
    choices.Reminder = 90;
    choices.AllDayReminder = 24 * 60;
    return choices;
}

struct SChoiceCase {
    const char* name;
    bool wholeDay;
    std::uint32_t keep;
    bool ignoreAlarms;
    bool ignoreDescription;
    std::int32_t bgColor;
    std::string category;
    std::optional<std::int32_t> reminder;
    std::string notes;
};

TEST(ImportChoicesTest, EachChoiceFillsOnlyWhatTheEventLeavesOpen) {
    const SChoiceCase cases[] = {
        {"timed, carries nothing", false, kCarriesNothing, false, false, kRed, "School", 90,
         "Room 4"},
        {"whole day, carries nothing", true, kCarriesNothing, false, false, kRed, "School", 24 * 60,
         "Room 4"},
        {"carries everything", false, 0, false, false, kGreen, "Publisher", 5, "Room 4"},
        {"carries COLOR only", true, kKeepCategory | kKeepReminders, false, false, kGreen, "School",
         24 * 60, "Room 4"},
        {"alarms ignored: the default instead", false, 0, true, false, kGreen, "Publisher", 90,
         "Room 4"},
        {"description ignored", false, 0, false, true, kGreen, "Publisher", 5, ""},
    };
    for (const SChoiceCase& c : cases) {
        SImportChoices choices = AllChoices();
        choices.IgnoreAlarms = c.ignoreAlarms;
        choices.IgnoreDescription = c.ignoreDescription;
        CDateEntryArray feed;
        feed.Add(Event("{A}", c.wholeDay, c.keep));
        CImportChoices::Apply(feed, choices, choices);
        const DateEntryProperties& p = feed[0].Properties;
        EXPECT_EQ(p.BgColor, c.bgColor) << c.name;
        EXPECT_EQ(p.Category, c.category) << c.name;
        EXPECT_EQ(CImportChoices::ReminderMinutes(p), c.reminder) << c.name;
        EXPECT_EQ(p.Notes, c.notes) << c.name;
    }
    // No choices: nothing changes, and a reminder of no VALARM stays none.
    CDateEntryArray feed;
    feed.Add(Event("{A}", false, kCarriesNothing));
    CImportChoices::Apply(feed, SImportChoices(), SImportChoices());
    EXPECT_EQ(feed[0].Properties.BgColor, 224);
    EXPECT_EQ(feed[0].Properties.Category, "");
    EXPECT_EQ(CImportChoices::ReminderMinutes(feed[0].Properties), std::nullopt);
}

TEST(ImportChoicesTest, ColoursAndReminderUnits) {
    EXPECT_EQ(CImportChoices::ParseColor("#FF0000"), kRed);
    EXPECT_EQ(CImportChoices::ParseColor("Red"), kRed);
    EXPECT_EQ(CImportChoices::ParseColor("#0000ff"), kBlue);
    EXPECT_EQ(CImportChoices::ParseColor("#00FF0"), std::nullopt);
    EXPECT_EQ(CImportChoices::ParseColor("#GG0000"), std::nullopt);
    EXPECT_EQ(CImportChoices::ParseColor("reddish"), std::nullopt);
    EXPECT_EQ(CImportChoices::FormatColor(kBlue), "#0000FF");
    for (const std::int32_t minutes : {0, 45, 120, 1440, 2 * 10080, 10081}) {
        CDateEntryArray feed;
        feed.Add(Event("{A}", false, kCarriesNothing));
        SImportChoices choices;
        choices.Reminder = minutes;
        CImportChoices::Apply(feed, choices, choices);
        EXPECT_EQ(CImportChoices::ReminderMinutes(feed[0].Properties), minutes);
    }
}

// Imports of one subscription into one calendar, as the cycle runs them.
class CImports {
public:
    void Import(const SImportChoices& choices, CDateEntryArray feed) {
        CImportChoices::Apply(feed, choices, m_previous);
        const SImportedDefaults replaced = CImportChoices::Defaults(m_previous);
        CEventMerge::ApplyFeed(m_data, feed, {}, nullptr, &replaced);
        m_previous = choices;
    }
    DateEntryProperties& Stored(const std::string& guid) {
        for (CDateEntry& entry : m_data.DateEntries2) {
            if (entry.GetGuid() == guid) return entry.Properties;
        }
        ADD_FAILURE() << guid;
        return m_data.DateEntries2[0].Properties;
    }
    std::optional<std::int32_t> Reminder(const std::string& guid) {
        return CImportChoices::ReminderMinutes(Stored(guid));
    }
    CEventData m_data;
    SImportChoices m_previous;
};

TEST(ImportChoicesTest, UsersChangesSurviveAndAChangedDefaultFollows) {
    CImports imports;
    SImportChoices choices;
    choices.BgColor = kRed;
    choices.Category = "Club";
    choices.Reminder = 15;
    const auto events = [] {
        CDateEntryArray feed;
        feed.Add(Event("{A}", false, kCarriesNothing));
        feed.Add(Event("{B}", false, kCarriesNothing));
        return feed;
    };
    imports.Import(choices, events());
    EXPECT_EQ(imports.Stored("{A}").BgColor, kRed);
    EXPECT_EQ(imports.Reminder("{B}"), 15);

    // The user changes A's reminder, colour and category.
    DateEntryProperties& a = imports.Stored("{A}");
    a.Forewarn = 1;
    a.ForewarnSpan = 30;
    a.BgColor = kGreen;
    a.Category = imports.m_data.DateEntries2[0].MakeText("Mine");
    imports.Import(choices, events());
    EXPECT_EQ(imports.Reminder("{A}"), 30);
    EXPECT_EQ(imports.Stored("{A}").BgColor, kGreen);
    EXPECT_EQ(imports.Stored("{A}").Category, "Mine");

    // New defaults reach B, which still holds the old ones, and leave A alone.
    SImportChoices changed;
    changed.BgColor = kBlue;
    changed.Category = "Sports";
    changed.Reminder = 10;
    imports.Import(changed, events());
    EXPECT_EQ(imports.Reminder("{A}"), 30);
    EXPECT_EQ(imports.Stored("{A}").BgColor, kGreen);
    EXPECT_EQ(imports.Stored("{A}").Category, "Mine");
    EXPECT_EQ(imports.Reminder("{B}"), 10);
    EXPECT_EQ(imports.Stored("{B}").BgColor, kBlue);
    EXPECT_EQ(imports.Stored("{B}").Category, "Sports");

    // Choices taken away: B goes back to no reminder and the calendar's colour.
    imports.Import(SImportChoices(), events());
    EXPECT_EQ(imports.Reminder("{B}"), std::nullopt);
    EXPECT_EQ(imports.Stored("{B}").BgColor, 224);
    EXPECT_EQ(imports.Reminder("{A}"), 30);
}

TEST(ImportChoicesTest, IgnoringAlarmsReplacesThePublishersOnceThenKeepsTheUsers) {
    CImports imports;
    const auto withAlarm = [] {
        CDateEntryArray feed;
        feed.Add(Event("{C}", false, 0));
        return feed;
    };
    imports.Import(SImportChoices(), withAlarm());
    EXPECT_EQ(imports.Reminder("{C}"), 5);

    SImportChoices ignore;
    ignore.IgnoreAlarms = true;
    ignore.Reminder = 60;
    imports.Import(ignore, withAlarm());
    EXPECT_EQ(imports.Reminder("{C}"), 60);

    imports.Stored("{C}").ForewarnSpan = 20;
    imports.Stored("{C}").ForewarnUnit = kSpanUnitMinutes;
    imports.Import(ignore, withAlarm());
    EXPECT_EQ(imports.Reminder("{C}"), 20);

    // Alarms imported again: the publisher's wins, as for every event that carries VALARM.
    imports.Import(SImportChoices(), withAlarm());
    EXPECT_EQ(imports.Reminder("{C}"), 5);
}

}  // namespace
