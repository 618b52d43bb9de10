// Change notifications in the cycle of several subscriptions: which checks a change brings
// forward, what re-arms the watches, and the timer for what cannot be watched; and the
// backoff of an address as the ticks of the other subscriptions meet it. The folder watches
// are fakes that the test fills; the clocks are the test's, so nothing waits for real time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/FeedController.h"
#include "support/EventFiles.h"
#include "support/FakeDownloader.h"
#include "support/FakeFeedView.h"
#include "support/FakeFolderWatch.h"
#include "support/FakePlatform.h"
#include "support/FaultyPlatform.h"
#include "support/IcsText.h"
#include "support/TempFolder.h"

namespace {

constexpr std::int64_t kStartMs = 1'760'000'000'000;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class FeedControllerNotifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.GetPath().empty());
        for (const char* name : {"tmp", "a", "b", "c"}) {
            std::filesystem::create_directory(m_folder.File(name));
        }
        m_faulty.SetTempFolder(m_folder.File("tmp/"));
        m_faulty.SetAppDataFolder(m_folder.GetPath());
        CPlatform::SetCurrent(&m_watching);
        m_controller.LoadStartupSettings();
        // The event file lies beside two of the feeds: its replace must wake nothing.
        m_controller.m_Settings.SharedFilePath = m_folder.File("a/cal.dat");
        CTempFolder::WriteBytes(m_controller.m_Settings.SharedFilePath, CEventFiles::Empty());
        m_controller.m_Clock = [this] { return m_now; };
        m_controller.m_WallClock = [this] { return m_ms; };
        m_controller.m_OnFeedSynced = [this](int index, const std::string& status) {
            m_ran.push_back(Feed(index).Name + ": " + status);
        };
    }
    void TearDown() override { CPlatform::SetCurrent(nullptr); }

    void Subscribe(const std::string& name, const std::string& source, int interval = 3600) {
        CSubscription& feed = m_controller.m_Settings.Subscriptions.Items.emplace_back();
        feed.Name = name;
        feed.Source = source.find("://") == std::string::npos ? m_folder.File(source) : source;
        feed.Interval = interval;
    }
    CSubscription& Feed(int index) {
        return m_controller.m_Settings.Subscriptions.Items[static_cast<std::size_t>(index)];
    }
    void SwitchOn() {
        m_controller.FillControls();
        m_view.m_checked[EFeedControl::EnableFeed] = true;
        m_controller.OnEnableFeed();
    }
    // Writes a new version of the feed file `file` ("a/one.ics"), with a last-write time a
    // second after the one written before, and delivers its folder's notification.
    void Change(const std::string& file, const std::string& uid) {
        m_written += std::chrono::seconds(1);
        Write(file, uid);
        Notify(file);
    }
    // The same without a notification, with the last-write time m_written.
    void Write(const std::string& file, const std::string& uid) {
        CTempFolder::WriteBytes(m_folder.File(file), Bytes(CIcsText::Calendar({uid})));
        std::filesystem::last_write_time(m_folder.File(file), m_written);
    }
    void Notify(const std::string& file) {
        const std::filesystem::path path(m_folder.File(file));
        m_watching.folders[path.parent_path().string()].names.push_back(path.filename().string());
    }
    // Collects the notifications, lets the settle pass on the test's clock and runs what it
    // brought forward; returns the outcomes, clearing them.
    std::vector<std::string> Settle() {
        m_controller.CollectChanges();
        const std::int64_t wait = m_controller.ChangeWaitMs();
        if (wait > 0) m_ms += wait;
        const int checks = m_controller.RunChangedFeeds();
        EXPECT_EQ(checks == 0, m_ran.empty());
        m_ms += 1000;  // the next change falls into a later second
        return std::exchange(m_ran, {});
    }
    SFakeFolder& Folder(const std::string& name) { return m_watching.folders[m_folder.File(name)]; }

    CTempFolder m_folder;
    CFakePlatform m_fake;
    CFaultyPlatform m_faulty{m_fake};
    CFakeWatchPlatform m_watching{m_faulty};
    CFakeFeedView m_view;
    CFakeDownloader m_downloader;
    CFeedController m_controller{m_view, m_watching, m_downloader};
    std::int64_t m_now = 1000;
    std::int64_t m_ms = kStartMs + 100;
    std::vector<std::string> m_ran;
    std::filesystem::file_time_type m_written = std::filesystem::file_time_type::clock::now();
};

using Outcomes = std::vector<std::string>;

// Two subscriptions in one folder and one in another, beside an address: one watch per
// folder, and a change of each file checks its subscription alone; the event file replaced
// in the folder of two of them, and other files there, check nothing.
TEST_F(FeedControllerNotifyTest, AChangeChecksItsSubscriptionAlone) {
    Subscribe("One", "a/one.ics");
    Subscribe("Two", "a/two.ics");
    Subscribe("Three", "b/three.ics");
    Subscribe("Web", "https://example.org/cal.ics", 60);
    SwitchOn();
    EXPECT_EQ(m_watching.folders.size(), 2u);
    EXPECT_EQ(Folder("a").watches, 1);
    EXPECT_EQ(Folder("b").watches, 1);
    EXPECT_EQ(m_controller.GetChangeHandles().size(), 2u);
    EXPECT_EQ(m_view.Status(), CFeedController::kStatusStarted);

    EXPECT_EQ(Settle(), Outcomes{});
    Change("a/two.ics", "two-1");
    EXPECT_EQ(Settle(), Outcomes{"Two: Sync successful"});
    Change("b/three.ics", "three-1");
    EXPECT_EQ(Settle(), Outcomes{"Three: Sync successful"});
    Change("a/one.ics", "one-1");
    // The syncs' own replaces of the event file, and another file of the folder.
    for (const char* name : {"a/cal.lock", "a/cal.dat", "a/notes.txt"}) Notify(name);
    EXPECT_EQ(Settle(), Outcomes{"One: Sync successful"});
    for (const char* name : {"a/cal.lock", "a/cal.dat", "a/one.ics.bak"}) Notify(name);
    m_controller.CollectChanges();
    EXPECT_EQ(m_controller.ChangeWaitMs(), -1);
    EXPECT_EQ(Settle(), Outcomes{});
    // Both files of one folder in one settle: each is checked once.
    Change("a/one.ics", "one-2");
    Change("a/two.ics", "two-2");
    Notify("a/two.ics");
    EXPECT_EQ(Settle(), (Outcomes{"One: Sync successful", "Two: Sync successful"}));
    EXPECT_TRUE(m_downloader.m_requests.empty());

    // A rewrite within the second of the check that imported it keeps its last-write time
    // to the second; the notification after the check makes the next one import it anyway.
    Change("a/one.ics", "one-3");
    m_controller.CollectChanges();
    m_ms += m_controller.ChangeWaitMs();
    ASSERT_EQ(m_controller.RunChangedFeeds(), 1);
    m_ran.clear();
    Write("a/one.ics", "one-4");
    Notify("a/one.ics");
    m_ms += 200;
    EXPECT_EQ(Settle(), Outcomes{"One: Sync successful"});
    const std::string calendar = CEventFiles::Descriptions(m_controller.m_Settings.SharedFilePath);
    for (const char* uid : {"one-4", "two-2", "three-1"}) {
        EXPECT_NE(calendar.find(uid), std::string::npos) << calendar;
    }
    EXPECT_EQ(calendar.find("one-3"), std::string::npos) << calendar;

    // Without notifications: no watch, nothing brought forward.
    m_controller.EnableChangeNotification(false);
    EXPECT_TRUE(m_controller.GetChangeHandles().empty());
    Change("a/two.ics", "two-3");
    EXPECT_EQ(Settle(), Outcomes{});
}

// The watches follow the list: a subscription added while the feed runs is watched once the
// front-end says so or at the next tick, a disabled one and a removed one no longer, and
// switching the feed off ends every watch.
TEST_F(FeedControllerNotifyTest, ChangesToTheListReArmTheWatches) {
    Subscribe("One", "a/one.ics");
    Subscribe("Two", "a/two.ics");
    SwitchOn();
    EXPECT_EQ(m_controller.GetChangeHandles().size(), 1u);

    Subscribe("Three", "b/three.ics");
    m_controller.FollowChanges();
    EXPECT_EQ(Folder("b").watches, 1);
    Change("b/three.ics", "three-1");
    EXPECT_EQ(Settle(), Outcomes{"Three: Sync successful"});

    // Added without a word: the next tick checks it (it has never been checked) and watches
    // its folder from then on.
    Subscribe("Four", "c/four.ics");
    m_written += std::chrono::seconds(1);
    Write("c/four.ics", "four-1");
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_ran, Outcomes{"Four: Sync successful"});
    m_ran.clear();
    EXPECT_EQ(Folder("c").watches, 1);
    Change("c/four.ics", "four-2");
    EXPECT_EQ(Settle(), Outcomes{"Four: Sync successful"});

    // Edited: disabled, then enabled again.
    Feed(0).Enabled = false;
    m_controller.FollowChanges();
    Change("a/one.ics", "one-1");
    EXPECT_EQ(Settle(), Outcomes{});
    Feed(0).Enabled = true;
    m_controller.FollowChanges();
    Change("a/one.ics", "one-2");
    EXPECT_EQ(Settle(), Outcomes{"One: Sync successful"});

    // Removed: the folder that only it needed loses its watch.
    int removed = -1;
    EXPECT_EQ(m_controller.RemoveSubscription(3, true, removed),
              CFeedController::kStatusSyncSuccessful);
    EXPECT_EQ(m_controller.GetChangeHandles().size(), 2u);
    Change("c/four.ics", "four-3");
    EXPECT_EQ(Settle(), Outcomes{});

    m_view.m_checked[EFeedControl::EnableFeed] = false;
    m_controller.OnEnableFeed();
    EXPECT_TRUE(m_controller.GetChangeHandles().empty());
}

// A folder that cannot be watched is said once, with the interval its files are checked on,
// and its subscription is left to the timer; the other folder keeps its notifications, and
// a folder deleted while watched is said once too.
TEST_F(FeedControllerNotifyTest, AFolderThatCannotBeWatchedFallsBackToTheTimer) {
    Subscribe("One", "a/one.ics");
    Subscribe("Three", "b/three.ics", 5);
    Folder("b").watchable = false;
    SwitchOn();
    const std::string unwatched = "No change notification for " + m_folder.File("b") +
                                  ": no watches left; checking every 5 seconds";
    EXPECT_EQ(m_view.Status(), unwatched);
    EXPECT_EQ(m_controller.GetChangeHandles().size(), 1u);

    Change("b/three.ics", "three-1");
    EXPECT_EQ(Settle(), Outcomes{});
    m_now += 5;
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_ran, Outcomes{"Three: Sync successful"});
    m_ran.clear();
    Change("a/one.ics", "one-1");
    EXPECT_EQ(Settle(), Outcomes{"One: Sync successful"});
    m_now += 5;
    m_controller.RunSyncCycle();
    m_ran.clear();

    // The folder of One goes away: one check (the file may have gone with it), said once.
    Folder("a").next = EFolderWatchRead::Gone;
    EXPECT_EQ(Settle(), Outcomes{"One: Nothing changed, not syncing"});
    m_now += 5;
    m_controller.RunSyncCycle();
    m_ran.clear();
    const std::vector<std::string>& statuses = m_view.m_statuses;
    const auto count = [&](const std::string& text) {
        return std::count(statuses.begin(), statuses.end(), text);
    };
    EXPECT_EQ(count(unwatched), 1);
    EXPECT_EQ(count("No change notification for " + m_folder.File("a") +
                    ": the folder was deleted or moved; checking every 3600 seconds"),
              1);
    // Both back: watched again at the next tick, without a word.
    Folder("b").watchable = true;
    m_now += 5;
    m_controller.RunSyncCycle();
    m_ran.clear();
    EXPECT_EQ(m_controller.GetChangeHandles().size(), 2u);
    Change("b/three.ics", "three-2");
    EXPECT_EQ(Settle(), Outcomes{"Three: Sync successful"});
}

// An address that fails backs off; the next try is the first tick of the shortest interval at
// which it is due, and that is the delay reported, not the timer's period.
TEST_F(FeedControllerNotifyTest, TheBackoffIsTheDelayUntilTheTickThatTriesAgain) {
    Subscribe("File", "a/one.ics", 7);
    Subscribe("Web", "https://example.org/cal.ics", 60);
    SwitchOn();
    ASSERT_EQ(m_controller.GetTimerPeriodMs(), 7000u);
    m_now += 63;  // the ninth tick
    m_downloader.Push(CFakeDownloader::Failure(EDownloadFailure::HttpStatus, 503));
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_ran,
              (Outcomes{"File: Can't access feed file", "Web: Can't download feed: HTTP 503"}));
    EXPECT_EQ(m_controller.GetDownloadFailures(), 1);
    EXPECT_EQ(m_controller.GetLastFeedPath(), "https://example.org/cal.ics");
    // Due 120 s on; the ticks come every 7 s and take what is due within 3 s: 119 s.
    EXPECT_EQ(m_controller.GetNextTrySeconds(), 119);
    EXPECT_EQ(m_controller.NextCheck(1).value_or(-1), m_now + 120);

    // The ticks before it leave it alone; the one at 119 s tries it.
    m_ran.clear();
    for (int tick = 0; tick < 16; ++tick) {
        m_now += 7;
        m_controller.RunSyncCycle();
    }
    EXPECT_EQ(m_downloader.m_requests.size(), 1u);
    m_now += 7;
    m_downloader.Push(CFakeDownloader::Failure(EDownloadFailure::HttpStatus, 503));
    m_controller.RunSyncCycle();
    EXPECT_EQ(m_downloader.m_requests.size(), 2u);
    EXPECT_EQ(m_controller.GetDownloadFailures(), 2);
    // Two failures: 240 s, met by the tick at 238 s.
    EXPECT_EQ(m_controller.GetNextTrySeconds(), 238);
    // A file's cycle after it is about the file again.
    m_ran.clear();
    Change("a/one.ics", "one-1");
    EXPECT_EQ(Settle(), Outcomes{"File: Sync successful"});
    EXPECT_EQ(m_controller.GetDownloadFailures(), 0);
    EXPECT_EQ(m_controller.GetLastFeedPath(), m_folder.File("a/one.ics"));

    m_view.m_checked[EFeedControl::EnableFeed] = false;
    m_controller.OnEnableFeed();
    EXPECT_EQ(m_controller.GetNextTrySeconds(), -1);
}

}  // namespace
