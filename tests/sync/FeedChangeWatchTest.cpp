#include "sync/FeedChangeWatch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeFolderWatch.h"

namespace {

// Slash-separated paths; folders are watchable unless the test says otherwise.
class CWatchPlatform : public CFakeWatchPlatform {
public:
    CWatchPlatform() : CFakeWatchPlatform(CPlatform::Default()) {}
    char PathSeparator() override { return '/'; }
    bool SamePathText(const std::string& a, const std::string& b) override { return a == b; }
};

constexpr std::int64_t kSecond = 1'760'000'000'000;
const std::string kFeed = "/data/feed.ini";

// The moment (offset from kSecond, 1 ms steps, up to 5 s) at which the feed's check falls
// due after `names` arrive at `at` offsets; -1 when none falls due.
std::int64_t DueAfter(CWatchPlatform& platform, CFeedChangeWatch& watch,
                      const std::vector<std::pair<std::int64_t, std::vector<std::string>>>& steps) {
    std::size_t next = 0;
    for (std::int64_t t = 0; t < 5000; ++t) {
        for (; next < steps.size() && steps[next].first == t; ++next) {
            for (const std::string& name : steps[next].second) {
                platform.folders["/data"].names.push_back(name);
            }
        }
        watch.Collect(kSecond + t);
        const std::vector<std::string> due = watch.GetDue(kSecond + t);
        if (!due.empty()) {
            EXPECT_EQ(due, std::vector<std::string>{kFeed});
            watch.OnChecked(kFeed, kSecond + t);
            return t;
        }
    }
    return -1;
}

// How writers change a file, as the folder's notifications show it, and which of them bring
// a check; the event file replaced beside the feed brings none.
TEST(FeedChangeWatchTest, WritersOfTheFeedBringACheckAndOthersDoNot) {
    const struct {
        const char* name;
        std::vector<std::pair<std::int64_t, std::vector<std::string>>> steps;
        std::int64_t due;
    } cases[] = {
        {"write in place", {{100, {"feed.ini", "feed.ini"}}}, 1000},
        {"write by rename", {{100, {"feed.ini.tmp", "feed.ini.tmp"}}, {120, {"feed.ini"}}}, 1000},
        {"delete and recreate", {{900, {"feed.ini"}}, {950, {"feed.ini"}}}, 1250},
        {"a writer pausing mid-file",
         {{100, {"feed.ini"}}, {350, {"feed.ini"}}, {600, {"feed.ini"}}, {850, {"feed.ini"}}},
         1150},
        {"the event file replaced beside it",
         {{100, {"cal.lock", "cal.dat.zf-staging", "cal.dat", "cal.lock"}}},
         -1},
        {"another file", {{100, {"feed.ini.bak", "other.ini"}}}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CWatchPlatform platform;
        CFeedChangeWatch watch(platform);
        watch.Follow({kFeed});
        ASSERT_TRUE(watch.IsWatchingAll());
        EXPECT_EQ(DueAfter(platform, watch, c.steps), c.due);
        EXPECT_EQ(watch.WaitMs(kSecond + 5000), -1);
        EXPECT_TRUE(watch.TakeFailures().empty());
    }
}

// The folder disappears: one check (the file may be gone with it), the failure reported
// once while the timer carries on alone, and the watch back once the folder is.
TEST(FeedChangeWatchTest, AFolderThatDisappearsAndComesBack) {
    CWatchPlatform platform;
    CFeedChangeWatch watch(platform);
    watch.Follow({kFeed});
    platform.folders["/data"].next = EFolderWatchRead::Gone;
    watch.Collect(kSecond + 100);
    EXPECT_FALSE(watch.IsWatchingAll());
    EXPECT_TRUE(watch.GetWaitHandles().empty());
    const std::vector<SWatchFailure> gone = watch.TakeFailures();
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(CFeedChangeWatch::FailureText(gone[0], 30),
              "No change notification for /data: the folder was deleted or moved; checking "
              "every 30 seconds");
    EXPECT_EQ(gone[0].files, std::vector<std::string>{kFeed});
    EXPECT_EQ(watch.GetDue(kSecond + 1000), std::vector<std::string>{kFeed});
    watch.OnChecked(kFeed, kSecond + 1000);

    // Timer ticks try again while the folder is missing, without a new report.
    platform.folders["/data"].watchable = false;
    watch.Follow({kFeed});
    watch.Follow({kFeed});
    EXPECT_TRUE(watch.TakeFailures().empty());
    EXPECT_FALSE(watch.IsWatchingAll());

    platform.folders["/data"].watchable = true;
    watch.Follow({kFeed});
    EXPECT_TRUE(watch.IsWatchingAll());
    EXPECT_EQ(platform.folders["/data"].watches, 2);
    EXPECT_EQ(DueAfter(platform, watch, {{2100, {"feed.ini"}}}), 3000);
    // Failing again after it worked is reported again.
    platform.folders["/data"].next = EFolderWatchRead::Gone;
    watch.Collect(kSecond + 4000);
    EXPECT_EQ(watch.TakeFailures().size(), 1u);
}

// No notifications at all: reported once, nothing ever falls due, the timer does the work.
TEST(FeedChangeWatchTest, NotificationsUnavailableLeaveTheTimer) {
    CWatchPlatform platform;
    platform.folders["/data"].watchable = false;
    CFeedChangeWatch watch(platform);
    for (int tick = 0; tick < 3; ++tick) {
        watch.Follow({kFeed});
        watch.Collect(kSecond + tick * 1000);
    }
    const std::vector<SWatchFailure> failures = watch.TakeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].folder, "/data");
    EXPECT_EQ(failures[0].reason, "no watches left");
    EXPECT_FALSE(watch.IsWatchingAll());
    EXPECT_EQ(watch.WaitMs(kSecond + 5000), -1);
    EXPECT_TRUE(watch.GetDue(kSecond + 5000).empty());
}

// One watch per folder however many files it holds; addresses and empty paths need none; a
// lost notification counts for every file of the folder; a timer tick's check takes what
// the settle waited for.
TEST(FeedChangeWatchTest, OneWatchPerFolder) {
    CWatchPlatform platform;
    CFeedChangeWatch watch(platform);
    const std::string other = "/data/other.ics";
    const std::string elsewhere = "/home/x/feed.ics";
    watch.Follow({kFeed, other, elsewhere, "", "https://example.org/cal.ics"});
    watch.Follow({kFeed, other, elsewhere});
    EXPECT_EQ(platform.folders.size(), 2u);
    EXPECT_EQ(platform.folders["/data"].watches, 1);
    EXPECT_EQ(platform.folders["/home/x"].watches, 1);
    EXPECT_EQ(watch.GetWaitHandles().size(), 2u);

    platform.folders["/data"].next = EFolderWatchRead::Overflow;
    watch.Collect(kSecond + 100);
    watch.OnChecked(other, kSecond + 150);
    EXPECT_EQ(watch.GetDue(kSecond + 1000), std::vector<std::string>{kFeed});

    // A folder no file needs any more loses its watch.
    watch.Follow({elsewhere});
    EXPECT_EQ(watch.GetWaitHandles().size(), 1u);
}

// A check in the middle of a second, then another write in that second: the last-write
// time that the check remembered may be the new file's as well, so the next check of that
// file (by its settle or by the timer) must not trust it; a write in a later second may.
TEST(FeedChangeWatchTest, AWriteInTheSecondOfACheckMayHideBehindItsTime) {
    CWatchPlatform platform;
    CFeedChangeWatch watch(platform);
    watch.Follow({kFeed});
    platform.folders["/data"].names = {"feed.ini"};
    watch.Collect(kSecond + 100);
    watch.OnChecked(kFeed, kSecond + 400);  // a timer tick
    EXPECT_FALSE(watch.MayHideChange(kFeed));
    platform.folders["/data"].names = {"feed.ini"};
    watch.Collect(kSecond + 700);
    EXPECT_TRUE(watch.MayHideChange(kFeed));
    EXPECT_EQ(DueAfter(platform, watch, {}), 1000);
    EXPECT_FALSE(watch.MayHideChange(kFeed));

    platform.folders["/data"].names = {"feed.ini"};
    watch.Collect(kSecond + 2500);
    EXPECT_FALSE(watch.MayHideChange(kFeed));
}

}  // namespace
