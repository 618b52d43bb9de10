#include "app/FeedController.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/MemoryFile.h"
#include "archive/Archive.h"
#include "store/EventData.h"
#include "support/FakeFeedView.h"
#include "support/FakePlatform.h"
#include "support/FaultyPlatform.h"
#include "support/TempFolder.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// ---------------------------------------------------------------------------------------
// Helpers for event files and feeds on disk.

CDateEntry MakeEntry(const std::string& guid, const std::string& description) {
    CDateEntry entry;
    entry.Properties.GUID = guid;
    entry.Properties.Description = description;
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

std::string DescribeSecondList(const std::vector<std::uint8_t>& bytes) {
    CMemoryFile file(bytes);
    CArchive ar(file, CArchive::load);
    CEventData data;
    data.Load(ar);
    std::string text = "header " + std::to_string(data.HeaderNumber) + ";";
    for (const CDateEntry& entry : data.DateEntries1) text += " 1:" + entry.GetGuid();
    for (const CDateEntry& entry : data.DateEntries2) {
        text += " 2:" + entry.GetGuid() + "=" + entry.Properties.Description;
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
    CFeedController controller{view};
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
        EXPECT_EQ(DescribeSecondList(CTempFolder::ReadBytes(env.eventPath)),
                  "header 7; 1:{X} 2:{A}=a2 2:{C}=c; todo 1");
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

TEST(SyncCycleTest, LockOutcomes) {
    const CycleRow rows[] = {
        {"lock held by another process",
         [](CCycleEnv& env) {
             env.holder = std::make_unique<CFileHolder>(env.lockPath, EFileOpen::WriteExclusive);
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
        CFileHolder holder(env.lockPath, EFileOpen::WriteExclusive);
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
// Switching the feed, start-up and closing.

class FeedControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.GetPath().empty());
        m_faulty.SetAppDataFolder(m_folder.GetPath());
        CPlatform::SetCurrent(&m_faulty);
    }
    void TearDown() override { CPlatform::SetCurrent(nullptr); }

    std::string SettingsFile() const {
        return m_folder.File("ZelvaroFeed") + std::string(1, CPlatform::Default().PathSeparator()) +
               "Settings.ini";
    }

    CTempFolder m_folder;
    CFakePlatform m_fake;
    CFaultyPlatform m_faulty{m_fake};
    CFakeFeedView m_view;
    CFeedController m_controller{m_view};
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
        CFeedController controller(view);
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
        EFeedControl::BrowseShared, EFeedControl::BrowseFeed, EFeedControl::ModeAdd,
        EFeedControl::ModeReplace,  EFeedControl::Interval,   EFeedControl::FeedFile,
        EFeedControl::SharedFile,
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
        CFeedController controller(view);
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

    CFeedSettings saved;
    ASSERT_TRUE(saved.LoadSettings(SettingsFile()));
    EXPECT_EQ(saved.SharedFilePath, "C:\\Data\\events.dat");
    EXPECT_EQ(saved.FeedFilePath, "feed.txt");
    EXPECT_EQ(saved.SyncMode, 0);
    EXPECT_EQ(saved.CheckFeedInterval, 5);
    EXPECT_EQ(saved.LastFeedFileTime, CDateTime(2024, 2, 3, 4, 5, 6));
}

}  // namespace
