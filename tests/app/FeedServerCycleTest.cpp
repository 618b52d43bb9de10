// The sync cycle of a feed address against the local feed server, through this build's own
// downloader (libcurl on Linux, WinHTTP on Windows). Run by feed_server.py (see the CTest
// entries), which starts the server around the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/FeedController.h"
#include "platform/Platform.h"
#include "support/EventFiles.h"
#include "support/FakeFeedView.h"
#include "support/FeedServer.h"
#include "support/TempFolder.h"

namespace {

TEST(FeedServerCycleTest, ImportsThenAsksConditionallyAndSurvivesFailures) {
    const CFeedServer server;
    ASSERT_TRUE(server.IsRunning()) << "run through tests/support/feed_server.py --run";
    CTempFolder folder;
    const std::string eventPath = folder.File("events.dat");
    ASSERT_TRUE(CTempFolder::WriteBytes(eventPath, CEventFiles::Empty()));
    CFakeFeedView view;
    CFeedController controller(view, CPlatform::Default());
    controller.m_strSettingsFolder = folder.GetPath();
    controller.m_Settings.SharedFilePath = eventPath;
    // The time limit is behaviour; a short one keeps the test quick.
    controller.m_DownloadDefaults.transferTimeoutMs = 2000;

    const struct {
        const char* path;
        const char* status;
        const char* entries;      // "" for an event file left as it was
        const char* ifNoneMatch;  // the request's header, "" for none
    } rows[] = {
        {"/etag.ics", "Sync successful", "=With an ETag ", ""},
        {"/etag.ics", "Nothing changed, not syncing", "", "\"v1\""},
        {"/status/404", "Can't download feed: HTTP 404", "", "\"v1\""},
        {"/hang.ics", "Can't download feed: timed out", "", "\"v1\""},
        {"/slow.ics", "Can't download feed: timed out", "", "\"v1\""},
        {"/etag.ics", "Nothing changed, not syncing", "", "\"v1\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const std::size_t before = server.Requests().size();
        const std::vector<std::uint8_t> event = CTempFolder::ReadBytes(eventPath);
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

}  // namespace
