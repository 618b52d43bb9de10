// Several subscriptions in one calendar: who owns an event that two of them carry, when an
// event that leaves one of them leaves the calendar, unsubscribing, and the ticks that check
// each subscription on its own interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/FeedController.h"
#include "app/SubscriptionForm.h"
#include "archive/Archive.h"
#include "icalmap/EventGuid.h"
#include "platform/MemoryFile.h"
#include "store/EventData.h"
#include "support/FakeFeedView.h"
#include "support/FakePlatform.h"
#include "support/FaultyPlatform.h"
#include "support/TempFolder.h"
#include "sync/EventFileLock.h"
#include "sync/ImportChoices.h"

namespace {

constexpr std::int32_t kRed = 0x0000FF;
constexpr std::int32_t kBlue = 0xFF0000;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// A calendar of whole-day events, one per UID, named by their summaries.
std::string Ics(const std::vector<std::pair<std::string, std::string>>& events) {
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\n";
    int day = 1;
    for (const auto& [uid, summary] : events) {
        const std::string date = "202703" + std::string(day < 10 ? "0" : "") + std::to_string(day);
        text += "BEGIN:VEVENT\r\nUID:" + uid +
                "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;VALUE=DATE:" + date +
                "\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\n";
        ++day;
    }
    return text + "END:VCALENDAR\r\n";
}

// An event file holding one entry the user made.
std::vector<std::uint8_t> CalendarWithUsersEntry() {
    CEventData data;
    CDateEntry entry;
    entry.Properties.GUID = entry.MakeText("{USER}");
    entry.Properties.Description = entry.MakeText("Mine");
    data.DateEntries2.Add(entry);
    CMemoryFile file;
    {
        CArchive ar(file, CArchive::store);
        data.Save(ar);
    }
    return file.GetData();
}

class SubscriptionCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.GetPath().empty());
        std::filesystem::create_directory(m_folder.File("tmp"));
        m_faulty.SetTempFolder(m_folder.File("tmp") + std::string(1, m_faulty.PathSeparator()));
        m_faulty.SetAppDataFolder(m_folder.GetPath());
        CPlatform::SetCurrent(&m_faulty);
        m_controller.LoadStartupSettings();
        m_controller.m_Settings.SharedFilePath = m_folder.File("cal.dat");
        CTempFolder::WriteBytes(m_controller.m_Settings.SharedFilePath, CalendarWithUsersEntry());
        m_controller.m_Clock = [this] { return m_now; };
    }
    void TearDown() override { CPlatform::SetCurrent(nullptr); }

    void Subscribe(const std::string& name, const std::string& file, const std::string& color) {
        CSubscription& feed = m_controller.m_Settings.Subscriptions.Items.emplace_back();
        feed.Name = name;
        feed.Source = m_folder.File(file);
        feed.Color = color;
    }
    void Publish(const std::string& file, const std::string& text) {
        CTempFolder::WriteBytes(m_folder.File(file), Bytes(text));
    }
    // Every subscription once, in order, each with its feed counted as changed.
    void SyncAll() {
        for (std::size_t i = 0; i < m_controller.m_Settings.Subscriptions.Items.size(); ++i) {
            m_controller.m_Settings.Subscriptions.Items[i].LastFeedFileTime =
                CDateTime::FromStored(0, 0);
            m_controller.RunSubscription(static_cast<int>(i));
        }
    }
    // "Description" of every entry of the second list, with "/red" or "/blue" for those
    // colours, sorted.
    std::string Calendar() const {
        const std::vector<std::uint8_t> bytes =
            CTempFolder::ReadBytes(m_controller.m_Settings.SharedFilePath);
        CMemoryFile file(bytes);
        CArchive ar(file, CArchive::load);
        CEventData data;
        data.Load(ar);
        std::vector<std::string> items;
        for (const CDateEntry& entry : data.DateEntries2) {
            std::string item = entry.Properties.Description.ToString();
            if (entry.Properties.BgColor == kRed) item += "/red";
            if (entry.Properties.BgColor == kBlue) item += "/blue";
            items.push_back(item);
        }
        std::sort(items.begin(), items.end());
        std::string text;
        for (const std::string& item : items) text += (text.empty() ? "" : " ") + item;
        return text;
    }
    CSubscription& Feed(int index) {
        return m_controller.m_Settings.Subscriptions.Items[static_cast<std::size_t>(index)];
    }
    std::size_t StateFiles() const {
        std::size_t count = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(m_folder.File("ZelvaroFeed"))) {
            if (entry.path().filename().string().rfind("Imported-", 0) == 0) ++count;
        }
        return count;
    }

    CTempFolder m_folder;
    CFakePlatform m_fake;
    CFaultyPlatform m_faulty{m_fake};
    CFakeFeedView m_view;
    CFeedController m_controller{m_view, m_faulty};
    std::int64_t m_now = 1000;
};

TEST_F(SubscriptionCycleTest, TheEarlierSubscriptionOwnsAnEventBothCarry) {
    Subscribe("School", "school.ics", "red");
    Subscribe("Club", "club.ics", "blue");
    Subscribe("Shifts", "shifts.ini", "");
    m_controller.m_Settings.SyncMode = 1;  // replace: several subscriptions sync in add mode
    Publish("school.ics", Ics({{"term", "Term"}, {"fair", "Fair (school)"}}));
    Publish("club.ics", Ics({{"fair", "Fair (club)"}, {"match", "Match"}}));
    Publish("shifts.ini",
            "[DateEntry 0]\r\nGUID={11111111-2222-3333-4444-555555555555}\r\n"
            "Description=Late shift\r\nStartDate=2027 03 02 14 00 00\r\n"
            "EndDate=2027 03 02 22 00 00\r\n");
    SyncAll();
    EXPECT_EQ(Calendar(), "Fair (school)/red Late shift Match/blue Mine Term/red");
    EXPECT_EQ(Feed(0).LeftAlone, 0);
    EXPECT_EQ(Feed(1).LeftAlone, 1);
    EXPECT_EQ(Feed(1).Imported, 2);
    EXPECT_EQ(Feed(1).LastStatus, CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(m_view.Status(), "Shifts: Sync successful");

    // The fair leaves the school: the club still holds it, so it stays, now the club's.
    Publish("school.ics", Ics({{"term", "Term"}}));
    SyncAll();
    EXPECT_EQ(Calendar(), "Fair (club)/red Late shift Match/blue Mine Term/red");
    EXPECT_EQ(Feed(1).LeftAlone, 0);

    // It leaves the club too: now it goes.
    Publish("club.ics", Ics({{"match", "Match"}}));
    SyncAll();
    EXPECT_EQ(Calendar(), "Late shift Match/blue Mine Term/red");

    // Both carry it again; unsubscribing the club removes only what no other one holds.
    Publish("school.ics", Ics({{"term", "Term"}, {"fair", "Fair (school)"}}));
    Publish("club.ics", Ics({{"fair", "Fair (club)"}, {"match", "Match"}}));
    SyncAll();
    EXPECT_EQ(StateFiles(), 2u);
    int removed = -1;
    EXPECT_EQ(m_controller.RemoveSubscription(1, false, removed),
              CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(Calendar(), "Fair (school)/red Late shift Mine Term/red");
    EXPECT_EQ(StateFiles(), 1u);
    ASSERT_EQ(m_controller.m_Settings.Subscriptions.Items.size(), 2u);
    EXPECT_EQ(Feed(1).Name, "Shifts");

    // Unsubscribing the school keeping its events: they stay as the user's own.
    EXPECT_EQ(m_controller.RemoveSubscription(0, true, removed),
              CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(Calendar(), "Fair (school)/red Late shift Mine Term/red");
    EXPECT_EQ(StateFiles(), 0u);
    ASSERT_EQ(m_controller.m_Settings.Subscriptions.Items.size(), 1u);
    EXPECT_EQ(m_controller.m_Settings.FeedFilePath, m_folder.File("shifts.ini"));
}

// Unsubscribing the owner of an event that another subscription carries too: the event stays,
// the other's at its next sync. The state files of imported GUIDs (its own and the others')
// are read under the event file's lock, the one every sync takes; while another process holds
// it the unsubscribing fails and changes nothing.
// An INI feed keeps no state file: unsubscribing removes what its file lists, and only that.
TEST_F(SubscriptionCycleTest, UnsubscribingAnIniFeedRemovesTheEntriesItsFileLists) {
    Subscribe("Shifts", "shifts.ini", "");
    Subscribe("Club", "club.ics", "");
    Publish("shifts.ini",
            "[DateEntry 0]\nGUID={S1}\nDescription=Early\nStartDate=2027 03 01 06 00 00\n"
            "[DateEntry 1]\nGUID={S2}\nDescription=Late\nStartDate=2027 03 02 14 00 00\n"
            "[Remove 0]\nGUID={GONE}\n");
    Publish("club.ics", Ics({{"fair", "Fair"}}));
    SyncAll();
    ASSERT_EQ(Calendar(), "Early Fair Late Mine");

    int removed = -1;
    EXPECT_EQ(m_controller.RemoveSubscription(0, true, removed),
              CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(Calendar(), "Early Fair Late Mine");
    Subscribe("Shifts", "shifts.ini", "");
    EXPECT_EQ(m_controller.RemoveSubscription(1, false, removed),
              CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(removed, 2);
    EXPECT_EQ(Calendar(), "Fair Mine");
    EXPECT_EQ(m_controller.m_Settings.Subscriptions.Items.size(), 1u);
}

TEST_F(SubscriptionCycleTest, UnsubscribingTheOwnerLeavesTheEventToTheOther) {
    Subscribe("School", "school.ics", "");
    Subscribe("Club", "club.ics", "");
    Publish("school.ics", Ics({{"fair", "Fair (school)"}, {"term", "Term"}}));
    Publish("club.ics", Ics({{"fair", "Fair (club)"}}));
    SyncAll();
    const std::string calendar = Calendar();
    const std::string lockPath = m_folder.File("cal.lock");

    {
        CEventFileLock held(m_faulty, m_controller.m_Settings.SharedFilePath);
        ASSERT_TRUE(held.Take());
        int removed = -1;
        EXPECT_EQ(m_controller.RemoveSubscription(0, false, removed),
                  CFeedController::kStatusCantLock);
        EXPECT_EQ(removed, 0);
        EXPECT_EQ(m_controller.m_Settings.Subscriptions.Items.size(), 2u);
        EXPECT_EQ(StateFiles(), 2u);
        EXPECT_EQ(Calendar(), calendar);
    }

    const std::size_t before = m_faulty.GetCallLog().size();
    int removed = -1;
    EXPECT_EQ(m_controller.RemoveSubscription(0, false, removed),
              CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(Calendar(), "Fair (school) Mine");
    const std::vector<CPlatformCallRecord>& log = m_faulty.GetCallLog();
    std::size_t locked = 0;
    std::size_t unlocked = 0;
    std::size_t tempRemoved = 0;
    std::vector<std::size_t> stateReads;
    for (std::size_t i = before; i < log.size(); ++i) {
        if (log[i].call == EPlatformCall::OpenLockFile && log[i].path == lockPath) locked = i;
        if (log[i].call == EPlatformCall::DeleteFile && log[i].path == lockPath) unlocked = i;
        if (log[i].call == EPlatformCall::DeleteFile &&
            log[i].path.rfind(m_folder.File("tmp"), 0) == 0) {
            tempRemoved = i;
        }
        if (log[i].call == EPlatformCall::OpenFile &&
            std::filesystem::path(log[i].path).filename().string().rfind("Imported-", 0) == 0) {
            stateReads.push_back(i);
        }
    }
    ASSERT_NE(locked, 0u);
    ASSERT_GT(unlocked, locked);
    EXPECT_GT(tempRemoved, unlocked);  // the temporary copy goes after the lock
    EXPECT_GE(stateReads.size(), 2u);  // its own and the club's
    for (const std::size_t read : stateReads) {
        EXPECT_GT(read, locked);
        EXPECT_LT(read, unlocked);
    }
    SyncAll();
    EXPECT_EQ(Calendar(), "Fair (club) Mine");
}

TEST_F(SubscriptionCycleTest, EachSubscriptionIsCheckedOnItsOwnIntervalAndFailsAlone) {
    Subscribe("Often", "often.ics", "");
    Subscribe("Missing", "missing.ics", "");
    Subscribe("Seldom", "seldom.ics", "");
    Feed(0).Interval = 5;
    Feed(1).Interval = 5;
    Feed(2).Interval = 60;
    Publish("often.ics", Ics({{"o", "Often"}}));
    Publish("seldom.ics", Ics({{"s", "Seldom"}}));
    std::vector<std::string> ran;
    m_controller.m_OnFeedSynced = [&](int index, const std::string& status) {
        ran.push_back(Feed(index).Name + ": " + status);
    };
    m_controller.FillControls();
    m_view.m_checked[EFeedControl::EnableFeed] = true;
    m_controller.OnEnableFeed();
    ASSERT_FALSE(m_view.m_timerCalls.empty());
    EXPECT_EQ(m_view.m_timerCalls.back().value, 5000u);

    m_now += 5;
    m_controller.RunSyncCycle();
    EXPECT_EQ(ran, (std::vector<std::string>{"Often: Sync successful",
                                             "Missing: Can't access feed file"}));
    EXPECT_EQ(Calendar(), "Mine Often");
    ran.clear();
    m_now += 5;
    m_controller.RunSyncCycle();
    EXPECT_EQ(ran, (std::vector<std::string>{"Often: Nothing changed, not syncing",
                                             "Missing: Can't access feed file"}));
    ran.clear();
    m_now += 50;
    m_controller.RunSyncCycle();
    EXPECT_EQ(ran, (std::vector<std::string>{"Often: Nothing changed, not syncing",
                                             "Missing: Can't access feed file",
                                             "Seldom: Sync successful"}));
    EXPECT_EQ(Calendar(), "Mine Often Seldom");
    ASSERT_TRUE(m_controller.NextCheck(2).has_value());
    EXPECT_EQ(*m_controller.NextCheck(2), m_now + 60);

    // A disabled subscription is not checked.
    Feed(0).Enabled = false;
    ran.clear();
    m_now += 60;
    m_controller.RunSyncCycle();
    EXPECT_EQ(ran, (std::vector<std::string>{"Missing: Can't access feed file",
                                             "Seldom: Nothing changed, not syncing"}));
    EXPECT_FALSE(m_controller.NextCheck(0).has_value());
}

TEST_F(SubscriptionCycleTest, OneSubscriptionKeepsTheModeAndNoPrefix) {
    Subscribe("Only", "only.ics", "red");
    m_controller.m_Settings.SelectWorkingFeed();
    m_controller.m_Settings.SyncMode = 1;
    Publish("only.ics", Ics({{"o", "Only"}}));
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_view.Status(), CFeedController::kStatusSyncSuccessful);
    // Replace mode: the user's entry is gone, the choice applied.
    EXPECT_EQ(Calendar(), "Only/red");
    EXPECT_EQ(Feed(0).LastStatus, CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(Feed(0).Applied.BgColor, kRed);
}

// The window's list: subscriptions added and changed through the controller, which leaves the
// feed path and interval alone since the window has no such controls.
TEST_F(SubscriptionCycleTest, TheListIsEditedThroughTheController) {
    m_view.m_showsSubscriptions = true;
    m_view.m_texts[EFeedControl::SharedFile] = m_controller.m_Settings.SharedFilePath;
    m_view.m_checked[EFeedControl::ModeAdd] = true;
    Publish("school.ics", Ics({{"term", "Term"}}));
    CSubscriptionForm school;
    school.Name = "School";
    school.Source = m_folder.File("school.ics");
    school.Interval = "3";
    std::string message;
    bool raised = false;
    ASSERT_EQ(m_controller.SaveSubscription(-1, school, message, &raised), ESubscriptionField::None)
        << message;
    EXPECT_TRUE(raised);
    EXPECT_EQ(m_controller.m_Settings.FeedFilePath, school.Source);
    EXPECT_EQ(m_controller.m_Settings.CheckFeedInterval, 5);
    m_controller.FillControls();
    m_controller.CollectSettings();
    EXPECT_EQ(m_view.m_texts.count(EFeedControl::FeedFile), 0u);
    EXPECT_EQ(m_controller.m_Settings.FeedFilePath, school.Source);
    EXPECT_EQ(m_controller.m_Settings.CheckFeedInterval, 5);

    m_controller.RunSyncCycle();
    EXPECT_EQ(m_view.Status(), CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(Calendar(), "Mine Term");
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_view.Status(), CFeedController::kStatusNothingChanged);

    // A changed colour reaches the unchanged feed's events at the next check.
    CSubscriptionForm red = CSubscriptionForm::Of(Feed(0));
    red.Color = "red";
    ASSERT_EQ(m_controller.SaveSubscription(0, red, message), ESubscriptionField::None);
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_view.Status(), CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(Calendar(), "Mine Term/red");

    // A second one with the first one's name in another case is refused and changes nothing.
    CSubscriptionForm club;
    club.Name = "SCHOOL";
    club.Source = m_folder.File("club.ics");
    club.Interval = "30";
    EXPECT_EQ(m_controller.SaveSubscription(-1, club, message), ESubscriptionField::Name);
    EXPECT_EQ(message, "a subscription named 'School' exists already");
    ASSERT_EQ(m_controller.m_Settings.Subscriptions.Items.size(), 1u);
    EXPECT_TRUE(m_controller.m_Settings.Subscriptions.ModeNote().empty());

    // The first one keeps what its syncs as the one feed left, beside the second one.
    const CDateTime imported = m_controller.m_Settings.LastFeedFileTime;
    ASSERT_NE(imported, CSubscription().LastFeedFileTime);
    club.Name = "Club";
    ASSERT_EQ(m_controller.SaveSubscription(-1, club, message), ESubscriptionField::None);
    ASSERT_EQ(m_controller.m_Settings.Subscriptions.Items.size(), 2u);
    EXPECT_EQ(Feed(0).LastFeedFileTime, imported);
    EXPECT_EQ(Feed(0).Interval, 5);
    EXPECT_EQ(m_controller.m_Settings.Subscriptions.ModeNote(),
              "With 2 subscriptions the calendar syncs in add mode (each replace would wipe the "
              "others).");
    ASSERT_TRUE(m_controller.SaveSettings());
    CFeedSettings saved(m_faulty);
    ASSERT_TRUE(
        saved.LoadSettings(CFeedSettings::GetSettingsFile(m_controller.m_strSettingsFolder)));
    ASSERT_EQ(saved.Subscriptions.Items.size(), 2u);
    EXPECT_EQ(saved.Subscriptions.Items[0].Color, "red");
    EXPECT_EQ(saved.Subscriptions.Items[0].LastFeedFileTime, imported);
    EXPECT_EQ(saved.Subscriptions.Items[1].Name, "Club");
}

TEST_F(SubscriptionCycleTest, TheDialogsFormShowsWhatTheCycleRaised) {
    const CSubscriptionForm fresh = m_controller.SubscriptionForm(-1);
    EXPECT_EQ(fresh.Interval, "30");
    EXPECT_TRUE(fresh.Enabled);
    EXPECT_EQ(fresh.Name, "");
    Subscribe("Only", "only.ics", "");
    Feed(0).Interval = 2;
    m_controller.m_Settings.SelectWorkingFeed();
    m_view.m_showsSubscriptions = true;
    m_view.m_checked[EFeedControl::EnableFeed] = true;
    m_controller.OnEnableFeed();
    EXPECT_EQ(m_controller.SubscriptionForm(0).Interval, "5");
    EXPECT_EQ(m_controller.SubscriptionForm(1).Interval, "30");
}

TEST_F(SubscriptionCycleTest, ADisabledOnlySubscriptionIsNotChecked) {
    Subscribe("Only", "only.ics", "");
    Feed(0).Enabled = false;
    m_controller.m_Settings.SelectWorkingFeed();
    Publish("only.ics", Ics({{"o", "Only"}}));
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_view.Status(), CFeedController::kStatusFeedDisabled);
    EXPECT_EQ(Calendar(), "Mine");
    Feed(0).Enabled = true;
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_view.Status(), CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(Calendar(), "Mine Only");
}

TEST_F(SubscriptionCycleTest, WithoutAnEventFileUnsubscribingKeepsTheEvents) {
    Subscribe("School", "school.ics", "");
    Subscribe("Club", "club.ics", "");
    Publish("school.ics", Ics({{"term", "Term"}}));
    SyncAll();
    const std::vector<std::uint8_t> before =
        CTempFolder::ReadBytes(m_controller.m_Settings.SharedFilePath);
    m_controller.m_Settings.SharedFilePath.clear();
    int removed = -1;
    EXPECT_EQ(m_controller.RemoveSubscription(0, false, removed),
              CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(removed, 0);
    ASSERT_EQ(m_controller.m_Settings.Subscriptions.Items.size(), 1u);
    EXPECT_EQ(Feed(0).Name, "Club");
    EXPECT_EQ(CTempFolder::ReadBytes(m_folder.File("cal.dat")), before);
}

TEST_F(SubscriptionCycleTest, TheTrayTipCountsAndNamesTheLastFailure) {
    EXPECT_EQ(m_controller.TrayTip(), "ZelvaroFeed: no subscriptions");
    Subscribe("School", "school.ics", "");
    EXPECT_EQ(m_controller.TrayTip(), "ZelvaroFeed: 1 subscription");
    Subscribe("Club", "club.ics", "");
    Subscribe("League", "league.ics", "");
    const std::string three = "ZelvaroFeed: 3 subscriptions";
    EXPECT_EQ(m_controller.TrayTip(), three);
    // League fails last; Club failed before it; School's failure is over.
    Feed(0).LastSync = CDateTime(2026, 5, 1, 12, 0, 0);
    Feed(0).LastStatus = CFeedController::kStatusSyncSuccessful;
    Feed(1).LastSync = CDateTime(2026, 5, 1, 11, 0, 0);
    Feed(1).LastStatus = CFeedController::kStatusCantLock;
    Feed(2).LastSync = CDateTime(2026, 5, 1, 11, 30, 0);
    Feed(2).LastStatus = "Can't download feed: HTTP 503";
    EXPECT_EQ(m_controller.TrayTip(),
              three + "\nLast failure: League: Can't download feed: HTTP 503");
    Feed(2).LastStatus = CFeedController::kStatusNothingChanged;
    EXPECT_EQ(m_controller.TrayTip(), three + "\nLast failure: Club: Can't lock event file");
    Feed(1).LastStatus = CFeedController::kStatusFeedEmpty;
    EXPECT_EQ(m_controller.TrayTip(), three);

    for (const char* fine :
         {"", "Sync successful", "Sync successful; removals not possible: x", "Syncing...",
          "Start syncing...", "Syncing stopped", "Subscription disabled, not syncing"}) {
        EXPECT_FALSE(CFeedController::IsFailure(fine)) << fine;
    }
    for (const char* failure : {"Can't access feed file", "Sync failed", "Can't read feed: x"}) {
        EXPECT_TRUE(CFeedController::IsFailure(failure)) << failure;
    }
}

}  // namespace
