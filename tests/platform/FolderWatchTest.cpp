// The system's own folder watch (inotify on Linux, ReadDirectoryChangesW on Windows) against
// real files. Each step waits for the notification it expects, with a bound that only a
// notification that never comes reaches.
#include "platform/FolderWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"
#include "support/TempFolder.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Reads the watch until `name` has come (true) or the watch says it is gone (`gone` set);
// false after a minute without either.
bool WaitForName(CFolderWatch& watch, const std::string& name, bool* gone = nullptr) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < end) {
        std::vector<std::string> names;
        const EFolderWatchRead read = watch.Read(names);
        if (read == EFolderWatchRead::Gone && gone != nullptr) {
            *gone = true;
            return false;
        }
        if (std::find(names.begin(), names.end(), name) != names.end()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::string WithoutSeparator(const std::string& folder) {
    return folder.substr(0, folder.size() - 1);
}

TEST(FolderWatchTest, SeesEachWayOfWritingAFile) {
    const CTempFolder folder;
    std::string reason;
    const std::unique_ptr<CFolderWatch> watch =
        CPlatform::Default().WatchFolder(WithoutSeparator(folder.GetPath()), reason);
    ASSERT_NE(watch, nullptr) << reason;

    // Written in place, new and again.
    ASSERT_TRUE(CTempFolder::WriteBytes(folder.File("feed.ini"), Bytes("[DateEntry 0]\n")));
    EXPECT_TRUE(WaitForName(*watch, "feed.ini"));
    ASSERT_TRUE(CTempFolder::WriteBytes(folder.File("feed.ini"), Bytes("[DateEntry 1]\n")));
    EXPECT_TRUE(WaitForName(*watch, "feed.ini"));
    // Written beside it and renamed over it.
    ASSERT_TRUE(CTempFolder::WriteBytes(folder.File("feed.tmp"), Bytes("[Remove 0]\n")));
    std::filesystem::rename(folder.File("feed.tmp"), folder.File("feed.ini"));
    EXPECT_TRUE(WaitForName(*watch, "feed.ini"));
    // Deleted, then made again.
    std::filesystem::remove(folder.File("feed.ini"));
    EXPECT_TRUE(WaitForName(*watch, "feed.ini"));
    ASSERT_TRUE(CTempFolder::WriteBytes(folder.File("feed.ini"), Bytes("\n")));
    EXPECT_TRUE(WaitForName(*watch, "feed.ini"));
}

TEST(FolderWatchTest, AFolderDeletedEndsTheWatchAndAMissingOneHasNone) {
    const CTempFolder folder;
    const std::string sub = folder.File("feeds");
    std::filesystem::create_directory(sub);
    std::string reason;
    std::unique_ptr<CFolderWatch> watch = CPlatform::Default().WatchFolder(sub, reason);
    ASSERT_NE(watch, nullptr) << reason;
    std::filesystem::remove_all(sub);
#ifndef _WIN32
    bool gone = false;
    WaitForName(*watch, "never", &gone);
    EXPECT_TRUE(gone);
#endif
    // Wine's ReadDirectoryChangesW says nothing when the watched folder goes: there the
    // watch falls silent, and the timer carries on alone.
    watch.reset();

    reason.clear();
    EXPECT_EQ(CPlatform::Default().WatchFolder(sub, reason), nullptr);
    EXPECT_FALSE(reason.empty());
}

}  // namespace
