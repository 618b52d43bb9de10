// The sync cycle of a feed address against the local feed server, through this build's own
// downloader (libcurl on Linux, WinHTTP on Windows). Run by feed_server.py (see the CTest
// entries), which starts the server around the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/FeedController.h"
#include "platform/Platform.h"
#include "support/EventFiles.h"
#include "support/FakeFeedView.h"
#include "support/FeedServer.h"
#include "support/TempFolder.h"

namespace {

// A controller over a fresh empty calendar, with its settings in the same temporary folder.
struct SCycle {
    SCycle() : eventPath(folder.File("events.dat")), controller(view, CPlatform::Default()) {
        written = CTempFolder::WriteBytes(eventPath, CEventFiles::Empty());
        controller.m_strSettingsFolder = folder.GetPath();
        controller.m_Settings.SharedFilePath = eventPath;
    }
    CTempFolder folder;
    const std::string eventPath;
    CFakeFeedView view;
    CFeedController controller;
    bool written = false;
};

TEST(FeedServerCycleTest, ImportsThenAsksConditionallyAndSurvivesFailures) {
    const CFeedServer server;
    ASSERT_TRUE(server.IsRunning()) << "run through tests/support/feed_server.py --run";
    SCycle cycle;
    const std::string& eventPath = cycle.eventPath;
    const CFakeFeedView& view = cycle.view;
    CFeedController& controller = cycle.controller;
    ASSERT_TRUE(cycle.written);
    // The time limit is behaviour; a short one keeps the rows that run into it quick. The rows
    // that must complete get a limit that no busy machine reaches.
    constexpr int kShort = 2000;
    constexpr int kAmple = 60000;

    const struct {
        const char* path;
        int timeoutMs;
        const char* status;
        const char* entries;      // "" for an event file left as it was
        const char* ifNoneMatch;  // the request's header, "" for none
    } rows[] = {
        {"/etag.ics", kAmple, "Sync successful", "=With an ETag ", ""},
        {"/etag.ics", kAmple, "Nothing changed, not syncing", "", "\"v1\""},
        {"/status/404", kAmple, "Can't download feed: HTTP 404", "", "\"v1\""},
        {"/hang.ics", kShort, "Can't download feed: timed out", "", "\"v1\""},
        {"/slow.ics", kShort, "Can't download feed: timed out", "", "\"v1\""},
        {"/etag.ics", kAmple, "Nothing changed, not syncing", "", "\"v1\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const std::size_t before = server.Requests().size();
        const std::vector<std::uint8_t> event = CTempFolder::ReadBytes(eventPath);
        controller.m_DownloadDefaults.transferTimeoutMs = row.timeoutMs;
        controller.m_Settings.FeedFilePath = server.Http() + row.path;
        controller.RunSyncCycle();

        EXPECT_EQ(view.Status(), row.status);
        if (*row.entries == '\0') {
            EXPECT_EQ(CTempFolder::ReadBytes(eventPath), event);
        } else {
            // One entry, under the GUID that the event's UID names.
            const std::string entries = CEventFiles::Entries(eventPath);
            EXPECT_EQ(entries.find(row.entries), 38u) << entries;
        }
        const std::vector<CFeedServer::SRequest> requests = server.RequestsTo(row.path, before);
        ASSERT_EQ(requests.size(), 1u);
        const auto header = [&](const std::string& name) {
            const auto it = requests[0].headers.find(name);
            return it == requests[0].headers.end() ? std::string() : it->second;
        };
        EXPECT_EQ(header("if-none-match"), row.ifNoneMatch);
        EXPECT_EQ(header("user-agent"), "ZelvaroFeed/" ZF_TEST_VERSION);
    }
    EXPECT_EQ(controller.m_Settings.FeedETag, "\"v1\"");
}

// Each way a download can go, on a fresh calendar and settings: what the status says and
// whether the event file took the feed.
TEST(FeedServerCycleTest, EveryTransportOutcomeHasItsStatus) {
    const CFeedServer server;
    ASSERT_TRUE(server.IsRunning()) << "run through tests/support/feed_server.py --run";
    const std::string http = server.Http();
    const std::string https = server.Https();
    const std::string secret = "s3cret-Pa55";
    const char* const kNotTrusted = "Can't download feed: certificate not trusted";
    const auto withUser = [](const std::string& base, const std::string& password) {
        return base.substr(0, base.find("://") + 3) + "user:" + password + "@" +
               base.substr(base.find("://") + 3);
    };
    const struct {
        std::string feed;
        bool caFile;
        const char* status;
    } rows[] = {
        {http + "/redirect/3", false, "Sync successful"},
        {http + "/redirect/6", false, "Can't download feed: too many redirects"},
        {https + "/to-http", true, "Can't download feed: redirect from https to http refused"},
        {http + "/gzip.ics", false, "Sync successful"},
        {http + "/lastmod.ics", false, "Sync successful"},
        {http + "/feed.ini", false, "Sync successful"},
        {http + "/endless.ics", false, "Can't download feed: too large"},
        {http + "/cut.ics", false, "Can't download feed: connection lost"},
        {http + "/status/500", false, "Can't download feed: HTTP 500"},
        {http + "/status/429", false, "Can't download feed: HTTP 429"},
        {https + "/plain.ics", true, "Sync successful"},
        {https + "/plain.ics", false, kNotTrusted},
        {withUser(https, secret) + "/auth.ics", true, "Sync successful"},
        {withUser(https, "wrong") + "/auth.ics", true, "Can't download feed: HTTP 401"},
        {withUser(http, secret) + "/auth.ics", false,
         "Can't download feed: a password needs https"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.feed);
        SCycle cycle;
        ASSERT_TRUE(cycle.written);
        const CFakeFeedView& view = cycle.view;
        CFeedController& controller = cycle.controller;
        controller.m_Settings.FeedFilePath = row.feed;
        if (row.caFile) controller.m_Settings.FeedCaFile = server.CaFile();
        // A smaller body limit than the real one keeps the endless body short.
        controller.m_DownloadDefaults.maxBodyBytes = 1 << 20;
        // No row waits for the time limit: one that no busy machine reaches.
        controller.m_DownloadDefaults.transferTimeoutMs = 60000;
        controller.RunSyncCycle();
        std::string expected = row.status;
#ifdef _WIN32
        // Wine's WinHTTP reports an untrusted chain only as a failed secure channel.
        if (expected == kNotTrusted &&
            view.Status() == "Can't download feed: secure connection failed") {
            expected = view.Status();
        }
#endif
        EXPECT_EQ(view.Status(), expected);
        const bool imported = expected == "Sync successful";
        // The table of outcomes for the test log, the password masked as the program masks it.
        std::string shown = row.feed;
        if (const std::size_t at = shown.find(secret); at != std::string::npos) {
            shown.replace(at, secret.size(), "***");
        }
        const bool unchanged = CEventFiles::Entries(cycle.eventPath).empty();
        std::printf("| %s | %s | %s |\n", shown.c_str(), view.Status().c_str(),
                    unchanged ? "unchanged" : "imported");
        EXPECT_EQ(unchanged, !imported);
        EXPECT_EQ(view.Status().find(secret), std::string::npos);
    }
}

}  // namespace
