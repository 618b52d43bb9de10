#include "store/EventFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "store/RecordBytes.h"
#include "support/AllocationLimit.h"
#include "support/FaultyPlatform.h"
#include "support/TempFolder.h"

namespace {

CEventData MakeData() {
    CEventData data;
    data.HeaderNumber = 42;
    CDateEntry entry;
    entry.Properties.Description = entry.MakeText("Review");
    entry.DroppedOccurrences.Add(CDateTime(2024, 3, 4, 5, 6, 0));
    data.DateEntries2.Add(entry);
    CTodoEntry todo;
    todo.Text1 = "Call";
    data.TodoEntries.Add(todo);
    return data;
}

class EventFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_folder.GetPath().empty()); }

    CTempFolder m_folder;
    CPlatform& m_platform = CPlatform::Default();
};

TEST_F(EventFileTest, SavedFileLoadsBack) {
    const CEventData data = MakeData();
    const std::string path = m_folder.File("events.dat");
    std::string error = "stale";
    ASSERT_TRUE(CEventFile::Save(m_platform, path, data, error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(CTempFolder::ReadBytes(path), SaveEventBytes(data));
    // The replacement leaves nothing else beside the file.
    EXPECT_EQ(m_folder.List(), std::vector<std::string>{"events.dat"});

    CEventData loaded;
    ASSERT_TRUE(CEventFile::Load(m_platform, path, loaded, error)) << error;
    EXPECT_EQ(loaded.HeaderNumber, 42);
    ASSERT_EQ(loaded.DateEntries2.GetSize(), 1);
    EXPECT_EQ(loaded.DateEntries2[0].Properties.Description, "Review");
    EXPECT_EQ(SaveEventBytes(loaded), SaveEventBytes(data));
}

TEST_F(EventFileTest, SaveReplacesALongerFile) {
    const std::string path = m_folder.File("events.dat");
    ASSERT_TRUE(CTempFolder::WriteBytes(path, Bytes(5000, 0xAB)));
    const CEventData empty;
    std::string error;
    ASSERT_TRUE(CEventFile::Save(m_platform, path, empty, error)) << error;
    EXPECT_EQ(CTempFolder::ReadBytes(path), SaveEventBytes(empty));
}

TEST_F(EventFileTest, LoadFailuresNameTheFileAndKeepTheData) {
    const CEventData original = MakeData();
    const Bytes good = SaveEventBytes(original);
    CByteWriter schema7;
    schema7.Int32(100).Int32(1).NewClass(7, "CDateEntry").Append(Bytes(300, 0));

    const std::string missing = m_folder.File("missing.dat");
    const std::string folder = m_folder.File("folder.dat");
    const std::string truncated = m_folder.File("truncated.dat");
    const std::string newer = m_folder.File("newer.dat");
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(CTempFolder::WriteBytes(truncated, Bytes(good.begin(), good.end() - 3)));
    ASSERT_TRUE(CTempFolder::WriteBytes(newer, schema7.Data()));

    const struct {
        std::string path;
        std::string error;
    } cases[] = {
        {missing, "cannot open " + missing},
        {folder, "cannot open " + folder},
        {truncated, "cause 3: An attempt was made to access " + truncated + " past its end."},
        {newer, "cause 7: " + newer + " contains an incorrect schema."},
    };
    for (const auto& c : cases) {
        CEventData data = original;
        std::string error;
        EXPECT_FALSE(CEventFile::Load(m_platform, c.path, data, error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(SaveEventBytes(data), good) << c.path;
    }
}

TEST_F(EventFileTest, FailedSaveLeavesTheTargetAsItWas) {
    const CEventData data = MakeData();
    std::string error;

    const std::string nowhere = m_folder.File("no-such-folder") + "/events.dat";
    EXPECT_FALSE(CEventFile::Save(m_platform, nowhere, data, error));
    EXPECT_EQ(error, "cannot write " + nowhere);
    EXPECT_EQ(m_folder.List(), std::vector<std::string>{});

    const std::string locked = m_folder.File("locked.dat");
    ASSERT_TRUE(CTempFolder::WriteBytes(locked, Bytes{1, 2, 3}));
    std::filesystem::permissions(locked,
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_FALSE(CEventFile::Save(m_platform, locked, data, error));
    EXPECT_EQ(error, "cannot write " + locked);
    EXPECT_EQ(CTempFolder::ReadBytes(locked), (Bytes{1, 2, 3}));
    EXPECT_EQ(m_folder.List(), std::vector<std::string>{"locked.dat"});
}

// The temporary file is made, written and deleted through the platform that Save is given, on
// every way out of it.
TEST_F(EventFileTest, SaveDeletesItsTemporaryFileThroughItsPlatform) {
    const CEventData data = MakeData();
    const struct {
        const char* what;
        EPlatformCall call;  // made to fail; DeleteFile for none
        bool saved;
    } cases[] = {
        {"saved", EPlatformCall::DeleteFile, true},
        {"write fails", EPlatformCall::FileWrite, false},
        {"replace fails", EPlatformCall::ReplaceFileWithCopy, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CTempFolder temp;
        CFaultyPlatform faulty(m_platform);
        faulty.SetTempFolder(temp.GetPath());
        if (c.call == EPlatformCall::FileWrite) faulty.SetFileFault(EFileFault::WriteFails);
        if (c.call == EPlatformCall::ReplaceFileWithCopy) {
            faulty.SetFault(c.call, EPlatformFault::Fail);
        }
        std::string error;
        EXPECT_EQ(CEventFile::Save(faulty, m_folder.File("events.dat"), data, error), c.saved);
        EXPECT_EQ(faulty.GetCallCount(EPlatformCall::CreateTempFile), 1);
        EXPECT_EQ(faulty.GetCallCount(EPlatformCall::DeleteFile), 1);
        EXPECT_EQ(temp.List(), std::vector<std::string>{});
    }
}

// A lack of memory anywhere in Save ends it with false or lets std::bad_alloc out; either way
// the target is old or new and the temporary file is gone.
TEST_F(EventFileTest, FailedAllocationLeavesNoTemporaryFile) {
    const CEventData data = MakeData();
    const std::string path = m_folder.File("events.dat");
    const Bytes before{1, 2, 3};
    const Bytes after = SaveEventBytes(data);
    CTempFolder temp;
    CFaultyPlatform faulty(m_platform);
    faulty.SetTempFolder(temp.GetPath());
    faulty.SetRecording(false);
    std::string error;
    std::size_t count = 0;
    ASSERT_TRUE(CTempFolder::WriteBytes(path, before));
    {
        CAllocationLimit limit;
        ASSERT_TRUE(CEventFile::Save(faulty, path, data, error));
        count = limit.GetCount();
    }
    ASSERT_GT(count, 0u);
    for (std::size_t index = 0; index < count; ++index) {
        SCOPED_TRACE(::testing::Message() << "allocation " << index << " of " << count);
        ASSERT_TRUE(CTempFolder::WriteBytes(path, before));
        {
            CAllocationLimit limit;
            limit.FailAt(index);
            try {
                CEventFile::Save(faulty, path, data, error);
            } catch (const std::bad_alloc&) {
            }
        }
        const Bytes stored = CTempFolder::ReadBytes(path);
        EXPECT_TRUE(stored == before || stored == after);
        EXPECT_EQ(temp.List(), std::vector<std::string>{});
    }
}

}  // namespace
