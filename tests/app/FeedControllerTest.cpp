#include "app/FeedController.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "platform/MemoryFile.h"
#include "store/EventData.h"
#include "support/AllocationLimit.h"
#include "support/ChildProcess.h"
#include "support/EventFiles.h"
#include "support/FakeFeedView.h"
#include "support/FakePlatform.h"
#include "support/FaultyPlatform.h"
#include "support/IcsText.h"
#include "support/TempFolder.h"
#include "sync/ImportedGuids.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/PosixFile.h"
#include "platform/posix/PosixLockFile.h"
#endif

namespace {

// ---------------------------------------------------------------------------------------
// Helpers for event files and feeds on disk.

CDateEntry MakeEntry(const std::string& guid, const std::string& description) {
    CDateEntry entry;
    entry.Properties.GUID = entry.MakeText(guid);
    entry.Properties.Description = entry.MakeText(description);
    entry.Properties.StorageType = 1;
    entry.Properties.StartDate = CDateTime(2024, 5, 1, 9, 0, 0);
    entry.Properties.EndDate = CDateTime(2024, 5, 1, 10, 0, 0);
    return entry;
}

// Header number 7; first list {X}; second list {A}=a, {B}=b; one to-do entry.
std::vector<std::uint8_t> MakeEventFile() {
    CEventData data;
    data.HeaderNumber = 7;
    data.DateEntries1.Add(MakeEntry("{X}", "x"));
    data.DateEntries2.Add(MakeEntry("{A}", "a"));
    data.DateEntries2.Add(MakeEntry("{B}", "b"));
    CTodoEntry todo;
    todo.Text1 = "todo";
    data.TodoEntries.Add(todo);
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    data.Save(ar);
    return file.GetData();
}

// Updates {A}, adds {C}, removes {B}.
const char kFeed[] =
    "[DateEntry 0]\n"
    "GUID={A}\n"
    "Description=a2\n"
    "StartDate=2024 05 01 09 00 00\n"
    "EndDate=2024 05 01 10 00 00\n"
    "[DateEntry 1]\n"
    "GUID={C}\n"
    "Description=c\n"
    "[Remove 0]\n"
    "GUID={B}\n";

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// What DescribeSecondList gives for the event file of MakeEventFile after kFeed.
const char kMergedList[] = "header 7; 1:{X} 2:{A}=a2 2:{C}=c; todo 1";

std::string DescribeSecondList(const std::vector<std::uint8_t>& bytes) {
    CMemoryFile file(bytes);
    CArchive ar(file, CArchive::load);
    CEventData data;
    data.Load(ar);
    std::string text = "header " + std::to_string(data.HeaderNumber) + ";";
    for (const CDateEntry& entry : data.DateEntries1) text += " 1:" + std::string(entry.GetGuid());
    for (const CDateEntry& entry : data.DateEntries2) {
        text +=
            " 2:" + std::string(entry.GetGuid()) + "=" + entry.Properties.Description.ToString();
    }
    text += "; todo " + std::to_string(data.TodoEntries.GetSize());
    return text;
}

CDateTime FeedTimeOf(const std::string& path) {
    CivilTime time;
    EXPECT_EQ(CPlatform::Default().GetLastWriteTimeUtc(path, time), EFileTimeResult::Ok);
    return CDateTime(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

// Holds a file open the way another program would: the lock file by another process (a
// child process on Linux; on Windows a second handle without sharing, which excludes the
// cycle's open just as another process's would), or the feed file for exclusive reading.
class CFileHolder {
public:
    CFileHolder(const std::string& path, EFileOpen mode) {
#ifndef _WIN32
        int ready[2];
        int release[2];
        if (pipe(ready) != 0 || pipe(release) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            close(release[1]);
            const std::unique_ptr<CFile> file = CPlatform::Default().OpenFile(path, mode);
            const char answer = file ? 'y' : 'n';
            if (write(ready[1], &answer, 1) != 1) _exit(1);
            char ignored;
            while (read(release[0], &ignored, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        m_release = release[1];
        char answer = 'n';
        m_held = read(ready[0], &answer, 1) == 1 && answer == 'y';
        close(ready[0]);
#else
        m_file = CPlatform::Default().OpenFile(path, mode);
        m_held = m_file != nullptr;
#endif
    }
    CFileHolder(const CFileHolder&) = delete;
    CFileHolder& operator=(const CFileHolder&) = delete;
    ~CFileHolder() {
#ifndef _WIN32
        if (m_release >= 0) close(m_release);
        if (m_pid > 0) waitpid(m_pid, nullptr, 0);
#endif
    }
    bool IsHeld() const {
        return m_held;
    }

private:
    bool m_held = false;
#ifndef _WIN32
    pid_t m_pid = -1;
    int m_release = -1;
#else
    std::unique_ptr<CFile> m_file;
#endif
};

// One controller with its own folder: data/events.dat, feed.txt, and tmp/ as the system's
// temporary folder.
struct CCycleEnv {
    CCycleEnv() {
        std::filesystem::create_directory(folder.File("data"));
        std::filesystem::create_directory(folder.File("tmp"));
        faulty.SetTempFolder(folder.File("tmp") + std::string(1, faulty.PathSeparator()));
        // The controller gets the platform; the feed file is read through CIniDocument, which
        // uses the installed one. Installing the same platform keeps the feed's calls in the
        // call log and open to faults.
        CPlatform::SetCurrent(&faulty);
        controller.m_Settings.SharedFilePath = eventPath;
        controller.m_Settings.FeedFilePath = feedPath;
        CTempFolder::WriteBytes(eventPath, MakeEventFile());
        CTempFolder::WriteBytes(feedPath, Bytes(kFeed));
    }
    ~CCycleEnv() { CPlatform::SetCurrent(nullptr); }

    std::vector<std::string> List(const std::string& name) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.File(name))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    CTempFolder folder;
    CFakePlatform fake;
    CFaultyPlatform faulty{fake};
    CFakeFeedView view;
    CFeedController controller{view, faulty};
    const std::string eventPath =
        folder.File("data") + std::string(1, faulty.PathSeparator()) + "events.dat";
    const std::string lockPath =
        folder.File("data") + std::string(1, faulty.PathSeparator()) + "events.lock";
    const std::string feedPath = folder.File("feed.txt");
    std::unique_ptr<CFileHolder> holder;
    std::filesystem::path previousCurrentFolder;
};

enum class EEventAfter { Unchanged, Merged };

struct CycleRow {
    const char* what;
    std::function<void(CCycleEnv&)> arrange;
    const char* status;
    bool syncing;       // "Syncing..." stands before the outcome
    int lockOpens;      // opens of the lock file
    int tempCreations;  // requests for a temporary file
    bool lockRemains;   // the lock file is still there afterwards (another process holds it)
    EEventAfter event;
    bool timeSet;  // LastFeedFileTime becomes the feed's time
};

void RunRow(const CycleRow& row) {
    SCOPED_TRACE(row.what);
    CCycleEnv env;
    ASSERT_FALSE(env.folder.GetPath().empty());
    row.arrange(env);
    const std::vector<std::uint8_t> eventBefore = CTempFolder::ReadBytes(env.eventPath);
    std::vector<std::string> dataAfter = env.List("data");
    if (env.controller.m_Settings.SharedFilePath != env.lockPath) {
        std::erase(dataAfter, std::string("events.lock"));  // a stale lock goes away
    }
    if (row.lockRemains) {
        dataAfter.push_back("events.lock");
        std::sort(dataAfter.begin(), dataAfter.end());
    }
    const CDateTime timeBefore = env.controller.m_Settings.LastFeedFileTime;

    env.controller.RunSyncCycle();

    std::vector<std::string> statuses;
    if (row.syncing) statuses.push_back("Syncing...");
    statuses.push_back(row.status);
    EXPECT_EQ(env.view.m_statuses, statuses);
    EXPECT_EQ(env.faulty.GetCallCount(EPlatformCall::OpenLockFile), row.lockOpens);
    EXPECT_EQ(env.faulty.GetCallCount(EPlatformCall::CreateTempFile), row.tempCreations);
    EXPECT_EQ(env.List("data"), dataAfter) << "no stray file beside the event file";
    EXPECT_TRUE(env.List("tmp").empty()) << "the temporary file is deleted";
    if (row.event == EEventAfter::Unchanged) {
        EXPECT_EQ(CTempFolder::ReadBytes(env.eventPath), eventBefore);
    } else {
        EXPECT_EQ(DescribeSecondList(CTempFolder::ReadBytes(env.eventPath)), kMergedList);
    }
    if (row.timeSet) {
        EXPECT_EQ(env.controller.m_Settings.LastFeedFileTime, FeedTimeOf(env.feedPath));
    } else {
        EXPECT_EQ(env.controller.m_Settings.LastFeedFileTime, timeBefore);
    }
    if (!env.previousCurrentFolder.empty()) {
        std::filesystem::current_path(env.previousCurrentFolder);
    }
}

const EEventAfter kSame = EEventAfter::Unchanged;
const EEventAfter kMerged = EEventAfter::Merged;

TEST(SyncCycleTest, FeedOutcomes) {
    const CycleRow rows[] = {
        {"missing feed", [](CCycleEnv& env) { std::filesystem::remove(env.feedPath); },
         "Can't access feed file", false, 0, 0, false, kSame, false},
        {"empty feed path", [](CCycleEnv& env) { env.controller.m_Settings.FeedFilePath.clear(); },
         "Can't access feed file", false, 0, 0, false, kSame, false},
        {"feed time that cannot be converted",
         [](CCycleEnv& env) {
             env.faulty.SetFault(EPlatformCall::GetLastWriteTimeUtc, EPlatformFault::Unconvertible);
         },
         "Can't determine feed file modification time", false, 0, 0, false, kSame, false},
        {"feed time unchanged",
         [](CCycleEnv& env) {
             env.controller.m_Settings.LastFeedFileTime = FeedTimeOf(env.feedPath);
         },
         "Nothing changed, not syncing", false, 0, 0, false, kSame, false},
        {"feed held open by its writer",
         [](CCycleEnv& env) {
             env.holder = std::make_unique<CFileHolder>(env.feedPath, EFileOpen::ReadExclusive);
             ASSERT_TRUE(env.holder->IsHeld());
         },
         "Can't open feed file for reading", false, 0, 0, false, kSame, false},
        {"empty feed", [](CCycleEnv& env) { CTempFolder::WriteBytes(env.feedPath, {}); },
         "Feed file is empty", false, 0, 0, false, kSame, true},
    };
    for (const CycleRow& row : rows) RunRow(row);
}

// The console names the reason of "Can't open feed file for reading" from the flag: lack of
// memory, or else what the system says about the path.
TEST(SyncCycleTest, AFeedUnreadableForLackOfMemorySaysSo) {
    const struct {
        const char* what;
        EFileFault fault;
        bool outOfMemory;
    } rows[] = {
        {"memory runs out", EFileFault::ReadThrowsBadAlloc, true},
        {"the device fails", EFileFault::ReadFails, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CCycleEnv env;
        env.faulty.SetFileFault(row.fault, 10);
        env.controller.RunSyncCycle();
        EXPECT_EQ(env.view.Status(), "Can't open feed file for reading");
        EXPECT_EQ(env.controller.IsFeedOutOfMemory(), row.outOfMemory);

        env.faulty.SetFileFault(EFileFault::None);
        env.controller.RunSyncCycle();
        EXPECT_EQ(env.view.Status(), "Sync successful");
        EXPECT_FALSE(env.controller.IsFeedOutOfMemory());
    }
}

TEST(SyncCycleTest, LockOutcomes) {
    const CycleRow rows[] = {
        {"lock held by another process",
         [](CCycleEnv& env) {
             env.holder = std::make_unique<CFileHolder>(env.lockPath, EFileOpen::Lock);
             ASSERT_TRUE(env.holder->IsHeld());
         },
         "Can't lock event file", true, 1, 1, true, kSame, false},
        {"lock refused",
         [](CCycleEnv& env) {
             env.faulty.SetFault(EPlatformCall::OpenLockFile, EPlatformFault::Fail);
         },
         "Can't lock event file", true, 1, 1, false, kSame, false},
        {"event file whose extension is lock",
         [](CCycleEnv& env) {
             std::filesystem::rename(env.eventPath, env.lockPath);
             env.controller.m_Settings.SharedFilePath = env.lockPath;
         },
         "Can't lock event file", true, 0, 1, false, kSame, false},
        {"stale lock file",
         [](CCycleEnv& env) { CTempFolder::WriteBytes(env.lockPath, Bytes("stale")); },
         "Sync successful", true, 1, 1, false, kMerged, true},
    };
    for (const CycleRow& row : rows) RunRow(row);
}

TEST(SyncCycleTest, TemporaryFileOutcomes) {
    const CycleRow rows[] = {
        {"no temporary folder",
         [](CCycleEnv& env) {
             env.faulty.SetFault(EPlatformCall::GetTempFolder, EPlatformFault::Fail);
         },
         "Can't create temporary event file for syncing", true, 0, 0, false, kSame, false},
        {"no temporary file",
         [](CCycleEnv& env) {
             env.faulty.SetFault(EPlatformCall::CreateTempFile, EPlatformFault::Fail);
         },
         "Can't create temporary event file for syncing", true, 0, 1, false, kSame, false},
        {"missing event file", [](CCycleEnv& env) { std::filesystem::remove(env.eventPath); },
         "Can't create temporary event file for syncing", true, 1, 1, false, kSame, false},
        {"empty event path: the lock file lies in the current folder",
         [](CCycleEnv& env) {
             env.previousCurrentFolder = std::filesystem::current_path();
             std::filesystem::current_path(env.folder.File("data"));
             env.controller.m_Settings.SharedFilePath.clear();
         },
         "Can't create temporary event file for syncing", true, 1, 1, false, kSame, false},
        {"copy to the temporary file refused",
         [](CCycleEnv& env) { env.faulty.SetFault(EPlatformCall::CopyFile, EPlatformFault::Fail); },
         "Can't create temporary event file for syncing", true, 1, 1, false, kSame, false},
    };
    for (const CycleRow& row : rows) RunRow(row);
}

TEST(SyncCycleTest, MergeAndCopyBackOutcomes) {
    const CycleRow rows[] = {
        {"damaged event file",
         [](CCycleEnv& env) { CTempFolder::WriteBytes(env.eventPath, Bytes("damaged")); },
         "Sync failed", true, 1, 1, false, kSame, false},
        {"merge cannot write the temporary file",
         [](CCycleEnv& env) { env.faulty.SetFileFault(EFileFault::WriteFails, 100); },
         "Sync failed", true, 1, 1, false, kSame, false},
        {"write-protected event file",
         [](CCycleEnv& env) {
             std::filesystem::permissions(env.eventPath,
                                          std::filesystem::perms::owner_write |
                                              std::filesystem::perms::group_write |
                                              std::filesystem::perms::others_write,
                                          std::filesystem::perm_options::remove);
         },
         "Can't copy temporary event file", true, 1, 1, false, kSame, false},
        {"copy back refused",
         [](CCycleEnv& env) {
             env.faulty.SetFault(EPlatformCall::ReplaceFileWithCopy, EPlatformFault::Fail);
         },
         "Can't copy temporary event file", true, 1, 1, false, kSame, false},
        {"copy back fails part-way",
         [](CCycleEnv& env) {
             env.faulty.SetFault(EPlatformCall::ReplaceFileWithCopy, EPlatformFault::FailPartWay);
         },
         "Can't copy temporary event file", true, 1, 1, false, kSame, false},
        {"everything works", [](CCycleEnv&) {}, "Sync successful", true, 1, 1, false, kMerged,
         true},
    };
    for (const CycleRow& row : rows) RunRow(row);
}

TEST(SyncCycleTest, FailedCycleIsRepeatedUntilItSucceeds) {
    CCycleEnv env;
    {
        CFileHolder holder(env.lockPath, EFileOpen::Lock);
        ASSERT_TRUE(holder.IsHeld());
        env.controller.RunSyncCycle();
        EXPECT_EQ(env.view.Status(), "Can't lock event file");
    }
    env.controller.RunSyncCycle();
    EXPECT_EQ(env.view.Status(), "Sync successful");
    EXPECT_EQ(env.faulty.GetCallCount(EPlatformCall::OpenLockFile), 2);
    EXPECT_FALSE(CTempFolder::Exists(env.lockPath));

    // The same feed time again: nothing to do, and the event file is left alone.
    const std::vector<std::uint8_t> merged = CTempFolder::ReadBytes(env.eventPath);
    env.controller.RunSyncCycle();
    EXPECT_EQ(env.view.Status(), "Nothing changed, not syncing");
    EXPECT_EQ(CTempFolder::ReadBytes(env.eventPath), merged);
}

TEST(SyncCycleTest, RemembersThePlatformsFeedTimeAndSyncsOnAnyOtherTime) {
    CCycleEnv env;
    const CDateTime before = env.controller.m_Settings.LastFeedFileTime;
    env.controller.RunSyncCycle();
    ASSERT_EQ(env.view.Status(), "Sync successful");
    const CDateTime taken = env.controller.m_Settings.LastFeedFileTime;
    EXPECT_NE(taken, before);
    EXPECT_EQ(taken, FeedTimeOf(env.feedPath));
    // A remembered time one second later: the feed now looks older, which counts as a change.
    env.controller.m_Settings.LastFeedFileTime = taken + CDateTimeSpan(1);
    env.controller.RunSyncCycle();
    EXPECT_EQ(env.view.Status(), "Sync successful");
}

// ---------------------------------------------------------------------------------------
// Real file systems: links, odd files, one file as both, memory, races and crashes.

// Loads an event file and describes its second list; "damaged" when it does not load.
std::string DescribeFile(const std::string& path) {
    try {
        return DescribeSecondList(CTempFolder::ReadBytes(path));
    } catch (const CArchiveException&) {
        return "damaged";
    }
}

TEST(SyncCycleTest, EventFileAndFeedAsOneFileWriteNothing) {
    struct Row {
        const char* what;
        int mode;
        std::function<std::string(CCycleEnv&)> feedPath;  // "" when the case cannot be made here
    };
    const auto samePath = [](CCycleEnv& env) { return env.eventPath; };
    const auto hardLink = [](CCycleEnv& env) {
        std::error_code error;
        std::filesystem::create_hard_link(env.eventPath, env.folder.File("feed-link.txt"), error);
        return error ? std::string() : env.folder.File("feed-link.txt");
    };
    const auto symLink = [](CCycleEnv& env) {
        return CTempFolder::MakeSymbolicLink(env.eventPath, env.folder.File("feed-link.txt"))
                   ? env.folder.File("feed-link.txt")
                   : std::string();
    };
    const Row rows[] = {
        {"same path, replace", 1, samePath},    {"same path, add", 0, samePath},
        {"hard link, replace", 1, hardLink},    {"hard link, add", 0, hardLink},
        {"symbolic link, replace", 1, symLink}, {"symbolic link, add", 0, symLink},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CCycleEnv env;
        // A feed text in the event file, so that the feed reads as one.
        CTempFolder::WriteBytes(env.eventPath, Bytes(kFeed));
        const std::string feed = row.feedPath(env);
        if (feed.empty()) continue;
        env.controller.m_Settings.FeedFilePath = feed;
        env.controller.m_Settings.SyncMode = row.mode;
        const CDateTime timeBefore = env.controller.m_Settings.LastFeedFileTime;
        env.controller.RunSyncCycle();
        EXPECT_EQ(env.view.Status(), "Sync failed");
        EXPECT_EQ(CTempFolder::ReadBytes(env.eventPath), Bytes(kFeed));
        EXPECT_EQ(env.controller.m_Settings.LastFeedFileTime, timeBefore);
        EXPECT_EQ(env.List("data"), std::vector<std::string>{"events.dat"});
        EXPECT_TRUE(env.List("tmp").empty());
    }
}

TEST(SyncCycleTest, LinkedEventFileStaysALinkAndItsTargetIsUpdated) {
    CCycleEnv env;
    std::filesystem::create_directory(env.folder.File("real"));
    const std::string real =
        env.folder.File("real") + std::string(1, env.faulty.PathSeparator()) + "events.dat";
    std::filesystem::rename(env.eventPath, real);
    if (!CTempFolder::MakeSymbolicLink(real, env.eventPath)) return;
    env.controller.RunSyncCycle();
    EXPECT_EQ(env.view.Status(), "Sync successful");
    // The lock lies beside the path as given, where the calendar looks for it.
    bool lockedBesideTheLink = false;
    for (const CPlatformCallRecord& call : env.faulty.GetCallLog()) {
        if (call.call == EPlatformCall::OpenLockFile)
            lockedBesideTheLink = call.path == env.lockPath;
    }
    EXPECT_TRUE(lockedBesideTheLink);
    EXPECT_TRUE(std::filesystem::is_symlink(env.eventPath));
    EXPECT_EQ(DescribeFile(real), kMergedList);
    EXPECT_EQ(env.List("data"), std::vector<std::string>{"events.dat"});
    EXPECT_EQ(env.List("real"), std::vector<std::string>{"events.dat"});
}

// A feed too big for the memory left, then a merge that runs out: each ends its cycle with
// its status, the event file untouched, and the next cycle with memory to spare syncs.
TEST(SyncCycleTest, RunningOutOfMemoryEndsTheCycleNotTheProgram) {
    struct Row {
        const char* what;
        std::size_t feedSections;
        int eventEntries;
        std::size_t largest;
        const char* status;
    };
    const Row rows[] = {
        {"feed", 4000, 0, 64 * 1024, "Can't open feed file for reading"},
        {"merge", 1, 4000, 256 * 1024, "Sync failed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CCycleEnv env;
        std::string feed;
        for (std::size_t i = 0; i < row.feedSections; ++i) {
            feed += "[DateEntry " + std::to_string(i) + "]\nGUID={F" + std::to_string(i) +
                    "}\nDescription=feed entry\n";
        }
        CTempFolder::WriteBytes(env.feedPath, Bytes(feed));
        CEventData data;
        data.HeaderNumber = 7;
        for (int i = 0; i < row.eventEntries; ++i) {
            data.DateEntries2.Add(MakeEntry("{E" + std::to_string(i) + "}", "stored"));
        }
        {
            CMemoryFile file;
            CArchive ar(file, CArchive::store);
            data.Save(ar);
            CTempFolder::WriteBytes(env.eventPath, file.GetData());
        }
        const std::vector<std::uint8_t> before = CTempFolder::ReadBytes(env.eventPath);
        const CDateTime timeBefore = env.controller.m_Settings.LastFeedFileTime;
        {
            CAllocationLimit limit;
            limit.SetLargest(row.largest);
            try {
                env.controller.RunSyncCycle();
            } catch (const std::bad_alloc&) {
                ADD_FAILURE() << "std::bad_alloc left the cycle";
            }
            EXPECT_GT(limit.GetFailures(), 0u) << "the limit was never reached";
        }
        EXPECT_EQ(env.view.Status(), row.status);
        EXPECT_EQ(CTempFolder::ReadBytes(env.eventPath), before);
        EXPECT_EQ(env.controller.m_Settings.LastFeedFileTime, timeBefore);
        EXPECT_EQ(env.List("data"), std::vector<std::string>{"events.dat"});
        EXPECT_TRUE(env.List("tmp").empty());

        env.controller.RunSyncCycle();
        EXPECT_EQ(env.view.Status(), "Sync successful");
    }
}

// Every allocation of a whole cycle fails in turn: no run lets the exception out, and each
// leaves the event file old with a failure status or new with "Sync successful".
TEST(SyncCycleTest, AnyFailedAllocationEndsTheCycleCleanly) {
    std::size_t count = 0;
    {
        CCycleEnv env;
        env.faulty.SetRecording(false);
        CAllocationLimit limit;
        env.controller.RunSyncCycle();
        count = limit.GetCount();
        ASSERT_EQ(env.view.Status(), "Sync successful");
    }
    ASSERT_GT(count, 0u);
    for (std::size_t index = 0; index < count; ++index) {
        SCOPED_TRACE(::testing::Message() << "allocation " << index << " of " << count);
        CCycleEnv env;
        env.faulty.SetRecording(false);
        const std::vector<std::uint8_t> before = CTempFolder::ReadBytes(env.eventPath);
        {
            CAllocationLimit limit;
            limit.FailAt(index);
            try {
                env.controller.RunSyncCycle();
            } catch (const std::bad_alloc&) {
                ADD_FAILURE() << "std::bad_alloc left the cycle";
            }
        }
        const std::string status = env.view.Status();
        if (CTempFolder::ReadBytes(env.eventPath) == before) {
            EXPECT_TRUE(status == "Can't open feed file for reading" || status == "Sync failed")
                << status;
        } else {
            EXPECT_EQ(DescribeFile(env.eventPath), kMergedList);
            EXPECT_EQ(env.controller.m_Settings.LastFeedFileTime, FeedTimeOf(env.feedPath));
            // Only the status text itself can have failed once the file was replaced.
            EXPECT_TRUE(status == "Sync successful" || status == "Sync failed") << status;
        }
        EXPECT_EQ(env.List("data"), std::vector<std::string>{"events.dat"});
        EXPECT_TRUE(env.List("tmp").empty());
    }
}

#ifndef _WIN32
// Runs one cycle in a child process and returns its status, or "blocked" when the cycle did
// not end.
std::string StatusOfCycleInChild(CCycleEnv& env) {
    std::string output;
    const int result = CChildProcess::Run(
        [&env](int out) {
            env.controller.RunSyncCycle();
            const std::string status = env.view.Status();
            return write(out, status.data(), status.size()) == static_cast<ssize_t>(status.size())
                       ? 0
                       : 1;
        },
        20, output);
    return result == -SIGALRM ? "blocked" : result == 0 ? output : "child failed";
}

TEST(SyncCycleTest, OddFilesWhereFilesBelongEndTheCycleWithoutBlocking) {
    struct Row {
        const char* what;
        std::function<void(CCycleEnv&)> arrange;
        const char* status;
    };
    const auto fifoAt = [](const std::string& path) {
        std::filesystem::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
    };
    const Row rows[] = {
        {"event file is a FIFO", [&](CCycleEnv& env) { fifoAt(env.eventPath); },
         "Can't create temporary event file for syncing"},
        {"event file is a folder",
         [](CCycleEnv& env) {
             std::filesystem::remove(env.eventPath);
             std::filesystem::create_directory(env.eventPath);
         },
         "Can't create temporary event file for syncing"},
        {"feed is a FIFO", [&](CCycleEnv& env) { fifoAt(env.feedPath); },
         "Can't open feed file for reading"},
        {"lock path is a FIFO", [&](CCycleEnv& env) { fifoAt(env.lockPath); },
         "Can't lock event file"},
        {"lock path is a folder",
         [](CCycleEnv& env) { std::filesystem::create_directory(env.lockPath); },
         "Can't lock event file"},
        {"lock path is a link to another file",
         [](CCycleEnv& env) {
             CTempFolder::WriteBytes(env.folder.File("precious.txt"), Bytes("precious"));
             ASSERT_TRUE(
                 CTempFolder::MakeSymbolicLink(env.folder.File("precious.txt"), env.lockPath));
         },
         "Can't lock event file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CCycleEnv env;
        row.arrange(env);
        const std::vector<std::string> dataBefore = env.List("data");
        // Read only where it is a regular file: the test itself must not block on a FIFO.
        const auto eventBytes = [&env] {
            return std::filesystem::is_regular_file(env.eventPath)
                       ? CTempFolder::ReadBytes(env.eventPath)
                       : std::vector<std::uint8_t>();
        };
        const std::vector<std::uint8_t> eventBefore = eventBytes();
        EXPECT_EQ(StatusOfCycleInChild(env), row.status);
        EXPECT_EQ(env.List("data"), dataBefore);
        EXPECT_TRUE(env.List("tmp").empty());
        EXPECT_EQ(eventBytes(), eventBefore);
        if (CTempFolder::Exists(env.folder.File("precious.txt"))) {
            EXPECT_EQ(CTempFolder::ReadBytes(env.folder.File("precious.txt")), Bytes("precious"));
        }
    }
}

// Takes the lock in the platform's two steps with a random pause between them, as a slow
// process would, so that another holder's delete and release fall into the pause often.
class CSlowLockPlatform : public CPlatformWrapper {
public:
    CSlowLockPlatform(CPlatform& target, unsigned seed)
        : CPlatformWrapper(target), m_random(seed) {}

    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override {
        if (mode != EFileOpen::Lock) return GetTarget().OpenFile(path, mode);
        CPosixFd fd = CPosixLockFile::Open(path);
        if (!fd.IsValid()) return nullptr;
        usleep(m_random() % 400);
        if (!CPosixLockFile::Take(fd, path)) return nullptr;
        return std::make_unique<CPosixFile>(std::move(fd));
    }

private:
    std::minstd_rand m_random;
};

// Several processes each sync their own feed into one event file, over and over: every sync
// that reported "Sync successful" must have left its entry in the file.
TEST(SyncCycleTest, ConcurrentSyncsLoseNoUpdate) {
    constexpr int kProcesses = 6;
    constexpr int kRounds = 15;
    CCycleEnv env;
    std::vector<std::unique_ptr<CChildProcess>> children;
    for (int p = 0; p < kProcesses; ++p) {
        children.push_back(std::make_unique<CChildProcess>(
            [&env, p](int out) {
                CSlowLockPlatform slow(env.faulty, static_cast<unsigned>(p) + 1);
                CFeedController controller(env.view, slow);
                controller.m_Settings.SharedFilePath = env.eventPath;
                const std::string feed = env.folder.File("feed" + std::to_string(p) + ".txt");
                controller.m_Settings.FeedFilePath = feed;
                std::minstd_rand random(static_cast<unsigned>(p) + 100);
                std::string report;
                for (int round = 0; round < kRounds; ++round) {
                    const std::string guid =
                        "{P" + std::to_string(p) + "R" + std::to_string(round) + "}";
                    CTempFolder::WriteBytes(
                        feed, Bytes("[DateEntry 0]\nGUID=" + guid + "\nDescription=d\n"));
                    for (int attempt = 0; attempt < 20000; ++attempt) {
                        controller.m_Settings.LastFeedFileTime = CDateTime::FromStored(0, 0);
                        controller.RunSyncCycle();
                        if (env.view.Status() != "Can't lock event file") break;
                        usleep(random() % 300);
                    }
                    report += env.view.Status() == "Sync successful"
                                  ? "ok " + guid + "\n"
                                  : "status " + env.view.Status() + "\n";
                }
                return write(out, report.data(), report.size()) ==
                               static_cast<ssize_t>(report.size())
                           ? 0
                           : 1;
            },
            120));
    }
    std::set<std::string> reported;
    for (auto& child : children) {
        std::string output;
        EXPECT_EQ(child->Wait(output), 0);
        std::istringstream lines(output);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("ok ", 0) == 0) {
                reported.insert(line.substr(3));
            } else {
                ADD_FAILURE() << line;
            }
        }
    }
    EXPECT_FALSE(reported.empty());
    const std::string stored = DescribeFile(env.eventPath);
    for (const std::string& guid : reported) {
        EXPECT_NE(stored.find(" 2:" + guid + "="), std::string::npos) << guid << " was lost";
    }
    EXPECT_EQ(env.List("data"), std::vector<std::string>{"events.dat"});
}

// Cycles killed at random moments: the event file always loads and is the old or a newly
// merged one, at most one staging file is ever left beside it, and the next cycle leaves
// nothing but the event file.
TEST(SyncCycleTest, KilledCyclesLeaveAtMostOneStagingFile) {
    constexpr int kKills = 250;
    CCycleEnv env;
    const std::string feedA = env.folder.File("feedA.txt");
    const std::string feedB = env.folder.File("feedB.txt");
    CTempFolder::WriteBytes(feedA, Bytes(kFeed));
    std::string other = kFeed;
    other.replace(other.find("Description=a2"), 14, "Description=a3");
    CTempFolder::WriteBytes(feedB, Bytes(other));
    // The first file, or the last feed's entries merged into it or (replace mode) alone.
    const std::set<std::string> allowed = {
        DescribeFile(env.eventPath), kMergedList, "header 7; 1:{X} 2:{A}=a3 2:{C}=c; todo 1",
        "header 100; 2:{A}=a2 2:{C}=c; todo 0", "header 100; 2:{A}=a3 2:{C}=c; todo 0"};

    std::minstd_rand random(7);
    for (int kill = 0; kill < kKills; ++kill) {
        CChildProcess child(
            [&env, &feedA, &feedB](int) {
                for (int cycle = 0;; ++cycle) {
                    env.controller.m_Settings.FeedFilePath = cycle % 2 == 0 ? feedA : feedB;
                    env.controller.m_Settings.SyncMode = cycle % 3 == 2 ? 1 : 0;
                    env.controller.m_Settings.LastFeedFileTime = CDateTime::FromStored(0, 0);
                    env.controller.RunSyncCycle();
                }
                return 0;
            },
            60);
        usleep(random() % 8000);
        child.Kill();
        std::string output;
        ASSERT_EQ(child.Wait(output), -SIGKILL);

        const std::string stored = DescribeFile(env.eventPath);
        ASSERT_EQ(allowed.count(stored), 1u) << "after kill " << kill << ": " << stored;
        std::vector<std::string> stray = env.List("data");
        std::erase(stray, std::string("events.dat"));
        std::erase(stray, std::string("events.lock"));
        ASSERT_LE(stray.size(), 1u) << "after kill " << kill;
    }
    env.controller.m_Settings.FeedFilePath = feedA;
    env.controller.m_Settings.SyncMode = 0;
    env.controller.m_Settings.LastFeedFileTime = CDateTime::FromStored(0, 0);
    env.controller.RunSyncCycle();
    EXPECT_EQ(env.view.Status(), "Sync successful");
    EXPECT_EQ(env.List("data"), std::vector<std::string>{"events.dat"});
}
#endif

// ---------------------------------------------------------------------------------------
// Every failure point of a whole cycle.

enum class EPathRole { Feed, Event, Lock, Temp, Other };

EPathRole RoleOf(const CCycleEnv& env, const std::string& path) {
    if (path == env.feedPath) return EPathRole::Feed;
    if (path == env.eventPath) return EPathRole::Event;
    if (path == env.lockPath) return EPathRole::Lock;
    if (path.rfind(env.folder.File("tmp"), 0) == 0) return EPathRole::Temp;
    return EPathRole::Other;
}

// The status a cycle ends with when one platform call fails, by the call and the file it
// concerns.
const char* StatusWhenFailing(EPlatformCall call, EPathRole role) {
    const bool fileCall =
        call == EPlatformCall::OpenFile || call == EPlatformCall::FileRead ||
        call == EPlatformCall::FileWrite || call == EPlatformCall::FileGetLength ||
        call == EPlatformCall::FileGetPosition || call == EPlatformCall::FileFlush;
    const struct {
        EPlatformCall call;
        EPathRole role;  // Other: any
        const char* status;
    } table[] = {
        {EPlatformCall::GetLastWriteTimeUtc, EPathRole::Other, "Can't access feed file"},
        {EPlatformCall::GetTempFolder, EPathRole::Other,
         "Can't create temporary event file for syncing"},
        {EPlatformCall::CreateTempFile, EPathRole::Other,
         "Can't create temporary event file for syncing"},
        {EPlatformCall::OpenLockFile, EPathRole::Other, "Can't lock event file"},
        {EPlatformCall::CopyFile, EPathRole::Other,
         "Can't create temporary event file for syncing"},
        // A look-up that fails cannot show one file behind both paths.
        {EPlatformCall::IsSameFile, EPathRole::Other, "Sync successful"},
        {EPlatformCall::ReplaceFileWithCopy, EPathRole::Other, "Can't copy temporary event file"},
        // Deletes come after the outcome.
        {EPlatformCall::DeleteFile, EPathRole::Other, "Sync successful"},
    };
    if (fileCall) {
        if (role == EPathRole::Feed) return "Can't open feed file for reading";
        if (role == EPathRole::Temp) return "Sync failed";
        return "(a file call on an unexpected path)";
    }
    for (const auto& row : table) {
        if (row.call == call && (row.role == EPathRole::Other || row.role == role)) {
            return row.status;
        }
    }
    return "(a call the table lacks)";
}

// One whole cycle in add mode and in replace mode: counted once, then run again with each
// of its platform calls failing in turn, and with each of its writes cut short or failing
// on a full disk. Every run ends with the status of the step that failed, leaves the event
// file exactly old or exactly new, lets go of the lock, leaves no file behind (but the one
// whose delete failed) and moves LastFeedFileTime only on "Sync successful".
TEST(SyncCycleTest, EveryFailurePointEndsWithItsStatusAndLeavesNothingBehind) {
    for (const int mode : {0, 1}) {
        const std::string merged = mode == 0 ? kMergedList : "header 100; 2:{A}=a2 2:{C}=c; todo 0";
        std::vector<CPlatformCallRecord> calls;
        std::vector<EPathRole> roles;
        {
            CCycleEnv env;
            env.controller.m_Settings.SyncMode = mode;
            env.controller.RunSyncCycle();
            ASSERT_EQ(env.view.Status(), "Sync successful");
            ASSERT_EQ(DescribeFile(env.eventPath), merged);
            calls = env.faulty.GetCallLog();
            for (const CPlatformCallRecord& call : calls) roles.push_back(RoleOf(env, call.path));
        }
        struct Run {
            int index;
            ECallFault fault;
        };
        std::vector<Run> runs;
        for (int k = 0; k < static_cast<int>(calls.size()); ++k) {
            runs.push_back({k, ECallFault::Fail});
            if (calls[k].call == EPlatformCall::FileWrite)
                runs.push_back({k, ECallFault::ShortWrite});
        }
        for (const Run& run : runs) {
            CCycleEnv env;
            const CPlatformCallRecord& failing = calls[static_cast<std::size_t>(run.index)];
            const EPathRole role = roles[static_cast<std::size_t>(run.index)];
            SCOPED_TRACE(::testing::Message()
                         << "mode " << mode << ", call " << run.index << " of " << calls.size()
                         << " (kind " << static_cast<int>(failing.call) << ", role "
                         << static_cast<int>(role) << ")"
                         << (run.fault == ECallFault::ShortWrite ? ", short write" : ""));
            env.controller.m_Settings.SyncMode = mode;
            env.faulty.SetFailingCall(run.index, run.fault);
            const std::vector<std::uint8_t> before = CTempFolder::ReadBytes(env.eventPath);
            const CDateTime timeBefore = env.controller.m_Settings.LastFeedFileTime;

            env.controller.RunSyncCycle();

            const std::string status = env.view.Status();
            EXPECT_EQ(status, StatusWhenFailing(failing.call, role));
            if (status == "Sync successful") {
                EXPECT_EQ(DescribeFile(env.eventPath), merged);
                EXPECT_EQ(env.controller.m_Settings.LastFeedFileTime, FeedTimeOf(env.feedPath));
            } else {
                EXPECT_EQ(CTempFolder::ReadBytes(env.eventPath), before);
                EXPECT_EQ(env.controller.m_Settings.LastFeedFileTime, timeBefore);
            }
            if (CTempFolder::Exists(env.lockPath)) {
                EXPECT_NE(CPlatform::Default().OpenFile(env.lockPath, EFileOpen::Lock), nullptr)
                    << "the lock is still held";
            }
            // Only a file whose delete failed may stay: the lock file, unheld, or the
            // temporary file.
            const bool lockMayStay =
                failing.call == EPlatformCall::DeleteFile && role == EPathRole::Lock;
            const bool tempStays =
                failing.call == EPlatformCall::DeleteFile && role == EPathRole::Temp;
            std::vector<std::string> data = env.List("data");
            if (lockMayStay) std::erase(data, std::string("events.lock"));
            EXPECT_EQ(data, std::vector<std::string>{"events.dat"});
            EXPECT_EQ(env.List("tmp").size(), tempStays ? 1u : 0u);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Switching the feed, start-up and closing.

// A controller whose feed is its publisher's whole calendar (as an iCalendar file is),
// holding the GUIDs the test names.
class CWholeCalendarController : public CFeedController {
public:
    using CFeedController::CFeedController;
    int ReadFeed(const std::string&) override {
        m_FeedEntries.RemoveAll();
        m_RemoveGuids.RemoveAll();
        for (const std::string& guid : m_next) m_FeedEntries.Add(MakeEntry(guid, "published"));
        m_bWholeCalendarFeed = true;
        return 0;
    }
    std::vector<std::string> m_next;
};

// In add mode the feed removes what an earlier sync of it imported and it no longer holds;
// the user's entries and other feeds' stay, and so does everything once the state is lost.
TEST(FeedControllerWholeCalendarTest, RemovesOnlyWhatItImportedBefore) {
    CTempFolder folder;
    ASSERT_FALSE(folder.GetPath().empty());
    CFakePlatform fake;
    CFaultyPlatform faulty{fake};
    const std::string separator(1, faulty.PathSeparator());
    std::filesystem::create_directory(folder.File("tmp"));
    faulty.SetTempFolder(folder.File("tmp") + separator);
    faulty.SetAppDataFolder(folder.GetPath());
    CPlatform::SetCurrent(&faulty);
    CFakeFeedView view;
    CWholeCalendarController controller(view, faulty);
    controller.m_Settings.SharedFilePath = folder.File("events.dat");
    controller.m_Settings.FeedFilePath = folder.File("club.ics");
    CTempFolder::WriteBytes(controller.m_Settings.SharedFilePath, MakeEventFile());
    CTempFolder::WriteBytes(controller.m_Settings.FeedFilePath, Bytes("BEGIN:VCALENDAR"));

    const struct {
        std::vector<std::string> feed;
        bool loseState;
        const char* after;
    } steps[] = {
        {{"{P1}", "{P2}"},
         false,
         "header 7; 1:{X} 2:{A}=a 2:{B}=b 2:{P1}=published 2:{P2}=published; todo 1"},
        {{"{P2}"}, false, "header 7; 1:{X} 2:{A}=a 2:{B}=b 2:{P2}=published; todo 1"},
        {{}, true, "header 7; 1:{X} 2:{A}=a 2:{B}=b 2:{P2}=published; todo 1"},
        {{"{B}"}, false, "header 7; 1:{X} 2:{A}=a 2:{B}=published 2:{P2}=published; todo 1"},
        {{}, false, "header 7; 1:{X} 2:{A}=a 2:{P2}=published; todo 1"},
    };
    for (const auto& step : steps) {
        if (step.loseState) {
            for (const auto& entry :
                 std::filesystem::directory_iterator(folder.File("ZelvaroFeed"))) {
                if (entry.path().filename().string().rfind("Imported-", 0) == 0) {
                    std::filesystem::remove(entry.path());
                }
            }
        }
        controller.m_next = step.feed;
        controller.m_Settings.LastFeedFileTime = CDateTime::FromStored(0, 0);
        controller.RunSyncCycle();
        EXPECT_EQ(view.m_statuses.back(), CFeedController::kStatusSyncSuccessful);
        EXPECT_EQ(DescribeSecondList(CTempFolder::ReadBytes(controller.m_Settings.SharedFilePath)),
                  step.after);
    }
    CPlatform::SetCurrent(nullptr);
}

// ---------------------------------------------------------------------------------------
// The removal state of a whole calendar's feed (an iCalendar file).

// A platform whose opens of one path fail, or whose replaces of it do.
class CStatePathPlatform : public CFaultyPlatform {
public:
    using CFaultyPlatform::CFaultyPlatform;
    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override {
        if (path == m_unreadable) return nullptr;
        return CFaultyPlatform::OpenFile(path, mode);
    }
    bool ReplaceFileWithCopy(const std::string& source, const std::string& target) override {
        if (target == m_unsavable) return false;
        return CFaultyPlatform::ReplaceFileWithCopy(source, target);
    }
    std::string m_unreadable;
    std::string m_unsavable;
};

// The calendar of MakeEventFile (the user's entries), a club's calendar club.ics synced into it
// in add mode, and the settings folder in the test's folder.
struct CClubEnv {
    CClubEnv() {
        std::filesystem::create_directory(folder.File("data"));
        std::filesystem::create_directory(folder.File("tmp"));
        platform.SetTempFolder(folder.File("tmp") + separator);
        platform.SetAppDataFolder(folder.GetPath());
        CPlatform::SetCurrent(&platform);
        CTempFolder::WriteBytes(eventPath, MakeEventFile());
        CFeedSettings::GetSettingsFolder(platform, settingsFolder);
        statePath = CImportedGuids::StatePath(settingsFolder, feedPath, eventPath);
    }
    ~CClubEnv() { CPlatform::SetCurrent(nullptr); }

    // One sync of the club's calendar with these UIDs; returns the status.
    std::string Sync(const std::vector<std::string>& uids) {
        CTempFolder::WriteBytes(feedPath, Bytes(CIcsText::Calendar(uids)));
        CFeedController controller(view, platform);
        controller.m_Settings.SharedFilePath = eventPath;
        controller.m_Settings.FeedFilePath = feedPath;
        controller.RunSyncCycle();
        return view.Status();
    }
    std::string State() const {
        const std::vector<std::uint8_t> bytes = CTempFolder::ReadBytes(statePath);
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<std::string> List(const std::string& name) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.File(name))) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    CTempFolder folder;
    const std::string separator = std::string(1, CPlatform::Default().PathSeparator());
    CFakePlatform fake;
    CStatePathPlatform platform{fake};
    CFakeFeedView view;
    const std::string eventPath = folder.File("data") + separator + "events.dat";
    const std::string feedPath = folder.File("club.ics");
    std::string settingsFolder;
    std::string statePath;
};

// Every kind of state file, met by a sync whose calendar dropped U2: only a state that passes
// its check removes anything, the user's entries stay whatever the file names, the calendar's
// part of the sync stands, and a state that cannot be used is said in the status. A damaged
// or unreadable one is replaced by a good one; a link or a folder is left alone.
TEST(FeedControllerStateTest, EveryKindOfStateFile) {
    const std::string kOk = "Sync successful";
    const std::string kNot = "Sync successful; removals not possible: the state file ";
    const struct {
        const char* what;
        std::function<void(CClubEnv&)> arrange;
        std::string status;  // with the state path after kNot
        const char* kept;
        bool goodAfter;  // the state file then names exactly the second version
    } rows[] = {
        {"intact", [](CClubEnv&) {}, kOk, "a b U1 U3", true},
        {"missing", [](CClubEnv& env) { std::filesystem::remove(env.statePath); }, kOk,
         "a b U1 U2 U3", true},
        {"cut",
         [](CClubEnv& env) {
             std::filesystem::resize_file(env.statePath, env.State().size() - 10);
         },
         kNot + "@ is damaged", "a b U1 U2 U3", true},
        {"garbage",
         [](CClubEnv& env) {
             CTempFolder::WriteBytes(env.statePath, Bytes("\x1F\x8B\x08\x00garbage\n"));
         },
         kNot + "@ is damaged", "a b U1 U2 U3", true},
        {"another feed's",
         [](CClubEnv& env) {
             CTempFolder::WriteBytes(
                 env.statePath,
                 Bytes(CImportedGuids::Text(
                     CImportedGuids::OwnerOf(env.folder.File("school.ics"), env.eventPath),
                     {"{A}", "{B}"})));
         },
         kNot + "@ is damaged", "a b U1 U2 U3", true},
        {"naming the user's own GUIDs",
         [](CClubEnv& env) {
             std::string text = env.State();
             text += "{A}\n{B}\n";
             CTempFolder::WriteBytes(env.statePath, Bytes(text));
         },
         kNot + "@ is damaged", "a b U1 U2 U3", true},
        {"unreadable", [](CClubEnv& env) { env.platform.m_unreadable = env.statePath; },
         kNot + "@ cannot be read", "a b U1 U2 U3", true},
        {"unsavable", [](CClubEnv& env) { env.platform.m_unsavable = env.statePath; },
         kNot + "@ cannot be written", "a b U1 U3", false},
#ifndef _WIN32
        {"a link",
         [](CClubEnv& env) {
             const std::string target = env.folder.File("precious.txt");
             CTempFolder::WriteBytes(target, Bytes("root:x:0:0\n"));
             std::filesystem::remove(env.statePath);
             std::filesystem::create_symlink(target, env.statePath);
         },
         kNot + "@ is not a regular file", "a b U1 U2 U3", false},
#endif
        {"a folder",
         [](CClubEnv& env) {
             std::filesystem::remove(env.statePath);
             std::filesystem::create_directory(env.statePath);
         },
         kNot + "@ is not a regular file", "a b U1 U2 U3", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CClubEnv env;
        ASSERT_EQ(env.Sync({"U1", "U2", "U3"}), kOk);
        ASSERT_EQ(CEventFiles::Descriptions(env.eventPath), "a b U1 U2 U3");
        row.arrange(env);

        const std::string status = env.Sync({"U1", "U3"});

        std::string expected = row.status;
        if (expected.find('@') != std::string::npos) {
            expected.replace(expected.find('@'), 1, env.statePath);
        }
        EXPECT_EQ(status, expected);
        EXPECT_EQ(CEventFiles::Descriptions(env.eventPath), row.kept);
        env.platform.m_unreadable.clear();
        env.platform.m_unsavable.clear();
        std::vector<std::string> state;
        const EStateLoad loaded =
            CImportedGuids::Load(env.platform, env.statePath,
                                 CImportedGuids::OwnerOf(env.feedPath, env.eventPath), state);
        EXPECT_EQ(loaded == EStateLoad::Loaded && state.size() == 2, row.goodAfter)
            << static_cast<int>(loaded) << " " << state.size();
        if (std::string(row.what) == "a link") {
            EXPECT_TRUE(std::filesystem::is_symlink(env.statePath));
            EXPECT_EQ(CTempFolder::ReadBytes(env.folder.File("precious.txt")),
                      Bytes("root:x:0:0\n"));
        }
        EXPECT_TRUE(env.List("tmp").empty());
        std::printf("| %s | %s | %s |\n", row.what, status.c_str(),
                    CEventFiles::Descriptions(env.eventPath).c_str());
    }
}

#ifndef _WIN32
const char* CallName(EPlatformCall call) {
    static const char* const kNames[] = {"GetLastWriteTimeUtc", "GetTempFolder",   "CreateTempFile",
                                         "OpenLockFile",        "OpenFile",        "CopyFile",
                                         "ReplaceFileWithCopy", "DeleteFile",      "IsSameFile",
                                         "GetPathKind",         "FileRead",        "FileWrite",
                                         "FileGetLength",       "FileGetPosition", "FileFlush"};
    return kNames[static_cast<int>(call)];
}

// The files left in the temporary folder, beside the event file and in the settings folder,
// but for the event file, its lock file (free for the next sync to take) and the state file.
std::vector<std::string> StrayFiles(const CClubEnv& env) {
    std::vector<std::string> stray;
    for (const char* folder : {"tmp", "data", "ZelvaroFeed"}) {
        for (const std::string& name : env.List(folder)) {
            const std::string path = env.folder.File(folder) + env.separator + name;
            if (path != env.eventPath && path != env.statePath && name != "events.lock") {
                stray.push_back(std::string(folder) + "/" + name);
            }
        }
    }
    return stray;
}

// A sync whose second version of the club's calendar drops U2 and adds U4, killed before each
// of its platform calls in turn: whatever the kill left, the next complete sync leaves exactly
// the second version's events and the user's entries, and no stray file anywhere.
TEST(FeedControllerStateTest, AKillAtAnyCallLosesNoRemovalAndLeavesNothingBehind) {
    const std::vector<std::string> second = {"U1", "U3", "U4"};
    std::size_t calls = 0;
    std::vector<CPlatformCallRecord> log;
    {
        CClubEnv env;
        ASSERT_EQ(env.Sync({"U1", "U2", "U3"}), "Sync successful");
        CFaultyPlatform counting(env.fake);
        counting.SetTempFolder(env.folder.File("tmp") + env.separator);
        counting.SetAppDataFolder(env.folder.GetPath());
        CPlatform::SetCurrent(&counting);
        CFeedController controller(env.view, counting);
        controller.m_Settings.SharedFilePath = env.eventPath;
        controller.m_Settings.FeedFilePath = env.feedPath;
        CTempFolder::WriteBytes(env.feedPath, Bytes(CIcsText::Calendar(second)));
        controller.RunSyncCycle();
        ASSERT_EQ(env.view.Status(), "Sync successful");
        log = counting.GetCallLog();
        calls = log.size();
    }
    ASSERT_GT(calls, 10u);
    std::printf(
        "| call | kind | file | after the kill: calendar | stray files | then a sync: "
        "status | calendar | stray files |\n");
    for (std::size_t k = 0; k < calls; ++k) {
        SCOPED_TRACE(::testing::Message() << "killed before call " << k << " ("
                                          << CallName(log[k].call) << " " << log[k].path << ")");
        CClubEnv env;
        ASSERT_EQ(env.Sync({"U1", "U2", "U3"}), "Sync successful");
        CTempFolder::WriteBytes(env.feedPath, Bytes(CIcsText::Calendar(second)));
        std::string output;
        const int result = CChildProcess::Run(
            [&env, k](int) {
                CFaultyPlatform killing(env.fake);
                killing.SetTempFolder(env.folder.File("tmp") + env.separator);
                killing.SetAppDataFolder(env.folder.GetPath());
                CPlatform::SetCurrent(&killing);
                killing.SetFailingCall(static_cast<int>(k), ECallFault::Kill);
                CFeedController controller(env.view, killing);
                controller.m_Settings.SharedFilePath = env.eventPath;
                controller.m_Settings.FeedFilePath = env.feedPath;
                controller.RunSyncCycle();
                return 0;
            },
            120, output);
        ASSERT_EQ(result, kKilledExitCode);
        const std::string killedCalendar = CEventFiles::Descriptions(env.eventPath);
        EXPECT_TRUE(killedCalendar == "a b U1 U2 U3" || killedCalendar == "a b U1 U3 U4")
            << killedCalendar;
        const std::vector<std::string> leftByKill = StrayFiles(env);

        const std::string status = env.Sync(second);

        EXPECT_EQ(status, "Sync successful");
        EXPECT_EQ(CEventFiles::Descriptions(env.eventPath), "a b U1 U3 U4");
        EXPECT_EQ(StrayFiles(env), std::vector<std::string>{});
        EXPECT_FALSE(CTempFolder::Exists(env.folder.File("data") + env.separator + "events.lock"));
        const std::string& path = log[k].path;
        const std::string role = path.empty()                               ? "-"
                                 : path == env.feedPath                     ? "feed"
                                 : path == env.eventPath                    ? "event file"
                                 : path.ends_with("events.lock")            ? "lock"
                                 : path == env.statePath                    ? "state"
                                 : path.starts_with(env.folder.File("tmp")) ? "temporary"
                                                                            : "other";
        std::string strays;
        for (const std::string& name : leftByKill) {
            strays += (strays.empty() ? "" : ", ") + name.substr(0, name.find('-') + 1) + "...";
        }
        std::printf("| %zu | %s | %s | %s | %s | %s | %s | %zu |\n", k, CallName(log[k].call),
                    role.c_str(), killedCalendar.c_str(), strays.empty() ? "none" : strays.c_str(),
                    status.c_str(), CEventFiles::Descriptions(env.eventPath).c_str(),
                    StrayFiles(env).size());
    }
}
#endif

class FeedControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.GetPath().empty());
        m_faulty.SetAppDataFolder(m_folder.GetPath());
    }

    std::string SettingsFile() const {
        return m_folder.File("ZelvaroFeed") + std::string(1, CPlatform::Default().PathSeparator()) +
               "Settings.ini";
    }

    CTempFolder m_folder;
    CFakePlatform m_fake;
    CFaultyPlatform m_faulty{m_fake};
    CFakeFeedView m_view;
    CFeedController m_controller{m_view, m_faulty};
};

TEST_F(FeedControllerTest, SwitchingOnRaisesShortIntervalsAndLimitsLongOnes) {
    const struct {
        const char* text;
        int interval;
        const char* shown;
        unsigned int periodMs;
    } cases[] = {
        {"", 5, "5", 5000},
        {"0", 5, "5", 5000},
        {"-3", 5, "5", 5000},
        {"4", 5, "5", 5000},
        {"5", 5, "5", 5000},
        {"30", 30, "30", 30000},
        {"12 seconds", 12, "12 seconds", 12000},
        {"2147483", 2147483, "2147483", 2147483000u},
        {"2147484", 2147484, "2147484", 0x7FFFFFFFu},
        {"2147483647", 2147483647, "2147483647", 0x7FFFFFFFu},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CFakeFeedView view;
        CFeedController controller(view, m_faulty);
        view.m_texts[EFeedControl::Interval] = c.text;
        view.m_checked[EFeedControl::EnableFeed] = true;
        controller.OnEnableFeed();
        EXPECT_EQ(controller.m_Settings.CheckFeedInterval, c.interval);
        EXPECT_EQ(view.m_texts[EFeedControl::Interval], c.shown);
        ASSERT_EQ(view.m_timerCalls.size(), 1u);
        EXPECT_TRUE(view.m_timerCalls[0].start);
        EXPECT_EQ(view.m_timerCalls[0].value, c.periodMs);
        EXPECT_EQ(controller.m_nTimerId, 1u);
        EXPECT_EQ(view.m_statuses, std::vector<std::string>{"Start syncing..."});
    }
}

TEST_F(FeedControllerTest, SwitchingOnAndOffLocksAndFreesTheSettingControls) {
    const std::vector<EFeedControl> order = {
        EFeedControl::BrowseShared, EFeedControl::BrowseFeed,    EFeedControl::ModeAdd,
        EFeedControl::ModeReplace,  EFeedControl::Interval,      EFeedControl::FeedFile,
        EFeedControl::SharedFile,   EFeedControl::Subscriptions, EFeedControl::AddFeed,
        EFeedControl::EditFeed,     EFeedControl::RemoveFeed,
    };
    m_view.m_texts[EFeedControl::SharedFile] = "shared.dat";
    m_view.m_texts[EFeedControl::FeedFile] = "feed.txt";
    m_view.m_texts[EFeedControl::Interval] = "10";
    m_view.m_checked[EFeedControl::ModeReplace] = true;
    m_view.m_nextTimerId = 42;

    m_view.m_checked[EFeedControl::EnableFeed] = true;
    m_controller.OnEnableFeed();
    EXPECT_EQ(m_view.m_enableOrder, order);
    for (const EFeedControl control : order) EXPECT_FALSE(m_view.IsEnabled(control));
    EXPECT_EQ(m_controller.m_Settings.SharedFilePath, "shared.dat");
    EXPECT_EQ(m_controller.m_Settings.FeedFilePath, "feed.txt");
    EXPECT_EQ(m_controller.m_Settings.SyncMode, 1);
    EXPECT_EQ(m_controller.m_nTimerId, 42u);

    m_view.m_checked[EFeedControl::EnableFeed] = false;
    m_controller.OnEnableFeed();
    for (const EFeedControl control : order) EXPECT_TRUE(m_view.IsEnabled(control));
    ASSERT_EQ(m_view.m_timerCalls.size(), 2u);
    EXPECT_FALSE(m_view.m_timerCalls[1].start);
    EXPECT_EQ(m_view.m_timerCalls[1].value, 42u);
    EXPECT_EQ(m_view.Status(), "Syncing stopped");
    // Switching off collects nothing.
    m_view.m_texts[EFeedControl::SharedFile] = "other.dat";
    m_view.m_checked[EFeedControl::EnableFeed] = false;
    m_controller.OnEnableFeed();
    EXPECT_EQ(m_controller.m_Settings.SharedFilePath, "shared.dat");
}

TEST_F(FeedControllerTest, FillAndCollectMoveValuesBetweenSettingsAndControls) {
    const struct {
        int mode;
        bool add;
        int collected;
    } cases[] = {{0, true, 0}, {1, false, 1}, {2, false, 1}, {-1, false, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        CFakeFeedView view;
        CFeedController controller(view, m_faulty);
        controller.m_Settings.SharedFilePath = "C:\\Data\\events.dat";
        controller.m_Settings.FeedFilePath = "C:\\Feed\\feed.txt";
        controller.m_Settings.SyncMode = c.mode;
        controller.m_Settings.CheckFeedInterval = -7;
        controller.FillControls();
        EXPECT_EQ(view.m_texts[EFeedControl::SharedFile], "C:\\Data\\events.dat");
        EXPECT_EQ(view.m_texts[EFeedControl::FeedFile], "C:\\Feed\\feed.txt");
        EXPECT_EQ(view.m_checked[EFeedControl::ModeAdd], c.add);
        EXPECT_EQ(view.m_checked[EFeedControl::ModeReplace], !c.add);
        EXPECT_EQ(view.m_texts[EFeedControl::Interval], "-7");

        controller.m_Settings.SharedFilePath.clear();
        controller.m_Settings.FeedFilePath.clear();
        controller.m_Settings.SyncMode = 99;
        controller.m_Settings.CheckFeedInterval = 0;
        controller.CollectSettings();
        EXPECT_EQ(controller.m_Settings.SharedFilePath, "C:\\Data\\events.dat");
        EXPECT_EQ(controller.m_Settings.FeedFilePath, "C:\\Feed\\feed.txt");
        EXPECT_EQ(controller.m_Settings.SyncMode, c.collected);
        EXPECT_EQ(controller.m_Settings.CheckFeedInterval, -7);
    }
}

TEST_F(FeedControllerTest, FirstStartWritesDefaultsAndLeavesTheFeedOff) {
    m_controller.Initialize();
    EXPECT_TRUE(CTempFolder::Exists(SettingsFile()));
    EXPECT_EQ(m_view.m_texts[EFeedControl::SharedFile], "");
    EXPECT_EQ(m_view.m_texts[EFeedControl::FeedFile], "");
    EXPECT_TRUE(m_view.m_checked[EFeedControl::ModeAdd]);
    EXPECT_EQ(m_view.m_texts[EFeedControl::Interval], "30");
    EXPECT_FALSE(m_view.IsControlChecked(EFeedControl::EnableFeed));
    EXPECT_TRUE(m_view.m_timerCalls.empty());
    EXPECT_TRUE(m_view.m_statuses.empty());
}

TEST_F(FeedControllerTest, StartWithBothPathsSwitchesOnWithoutSyncing) {
    std::filesystem::create_directory(m_folder.File("ZelvaroFeed"));
    ASSERT_TRUE(CTempFolder::WriteBytes(SettingsFile(), Bytes("[Settings]\n"
                                                              "SharedFilePath=events.dat\n"
                                                              "FeedFilePath=feed.txt\n"
                                                              "SyncMode=2\n"
                                                              "CheckFeedInterval=2\n")));
    m_controller.Initialize();
    EXPECT_TRUE(m_view.IsControlChecked(EFeedControl::EnableFeed));
    EXPECT_TRUE(m_view.m_checked[EFeedControl::ModeReplace]);
    EXPECT_EQ(m_view.m_texts[EFeedControl::Interval], "5");
    ASSERT_EQ(m_view.m_timerCalls.size(), 1u);
    EXPECT_EQ(m_view.m_timerCalls[0].value, 5000u);
    EXPECT_EQ(m_view.m_statuses, std::vector<std::string>{"Start syncing..."});
    EXPECT_EQ(m_controller.m_Settings.SyncMode, 1);
}

TEST_F(FeedControllerTest, StartWithOnePathLeavesTheFeedOff) {
    std::filesystem::create_directory(m_folder.File("ZelvaroFeed"));
    ASSERT_TRUE(CTempFolder::WriteBytes(SettingsFile(), Bytes("[Settings]\n"
                                                              "FeedFilePath=feed.txt\n")));
    m_controller.Initialize();
    EXPECT_FALSE(m_view.IsControlChecked(EFeedControl::EnableFeed));
    EXPECT_TRUE(m_view.m_timerCalls.empty());
    EXPECT_EQ(m_view.m_texts[EFeedControl::FeedFile], "feed.txt");
}

TEST_F(FeedControllerTest, ClosingStopsTheTimerAndSavesTheControls) {
    m_controller.Initialize();
    m_view.m_texts[EFeedControl::SharedFile] = "C:\\Data\\events.dat";
    m_view.m_texts[EFeedControl::FeedFile] = "feed.txt";
    m_view.m_texts[EFeedControl::Interval] = "3";
    m_view.m_checked[EFeedControl::EnableFeed] = true;
    m_controller.OnEnableFeed();
    m_controller.m_Settings.LastFeedFileTime = CDateTime(2024, 2, 3, 4, 5, 6);
    m_view.m_timerCalls.clear();

    m_controller.Close();
    ASSERT_EQ(m_view.m_timerCalls.size(), 1u);
    EXPECT_FALSE(m_view.m_timerCalls[0].start);
    EXPECT_EQ(m_view.m_timerCalls[0].value, 1u);

    CFeedSettings saved(m_faulty);
    ASSERT_TRUE(saved.LoadSettings(SettingsFile()));
    EXPECT_EQ(saved.SharedFilePath, "C:\\Data\\events.dat");
    EXPECT_EQ(saved.FeedFilePath, "feed.txt");
    EXPECT_EQ(saved.SyncMode, 0);
    EXPECT_EQ(saved.CheckFeedInterval, 5);
    EXPECT_EQ(saved.LastFeedFileTime, CDateTime(2024, 2, 3, 4, 5, 6));
}

}  // namespace
