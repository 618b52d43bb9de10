// The platform of a dry run: every change seen through it, none on the disk.
#include "platform/ShadowPlatform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// The whole content of `path` read through `platform`; "(none)" when it cannot be opened.
std::string ReadThrough(CPlatform& platform, const std::string& path) {
    const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::Read);
    if (!file) return "(none)";
    std::string text;
    char buffer[7];  // smaller than the files, so that reads continue
    std::size_t read = 0;
    while (file->Read(buffer, sizeof buffer, read) && read > 0) text.append(buffer, read);
    return text;
}

bool WriteThrough(CPlatform& platform, const std::string& path, const std::string& text) {
    const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::WriteExclusive);
    return file && file->Write(text.data(), text.size());
}

std::string OnDisk(const std::string& path) {
    if (!CTempFolder::Exists(path)) return "(none)";
    const std::vector<std::uint8_t> bytes = CTempFolder::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Each way a run changes files, seen through the shadow as done and on the disk as not done.
TEST(ShadowPlatformTest, ChangesAreSeenThroughItAndNeverOnTheDisk) {
    const CTempFolder folder;
    const std::string calendar = folder.File("cal.dat");
    const std::string feed = folder.File("feed.ini");
    const std::string state = folder.File("state.txt");
    ASSERT_TRUE(CTempFolder::WriteBytes(calendar, Bytes("calendar v1")));
    ASSERT_TRUE(CTempFolder::WriteBytes(feed, Bytes("the feed")));
    CShadowPlatform shadow(CPlatform::Default());

    // Unchanged files are read from the disk as they are now.
    EXPECT_EQ(ReadThrough(shadow, feed), "the feed");
    ASSERT_TRUE(CTempFolder::WriteBytes(feed, Bytes("the feed, rewritten")));
    EXPECT_EQ(ReadThrough(shadow, feed), "the feed, rewritten");

    // Written, copied onto, replaced, deleted; a new file made.
    std::string tempFolder;
    std::string temp;
    ASSERT_TRUE(shadow.GetTempFolder(tempFolder));
    ASSERT_TRUE(shadow.CreateTempFile(tempFolder, "dat", temp));
    ASSERT_TRUE(shadow.CopyFile(calendar, temp));
    ASSERT_TRUE(WriteThrough(shadow, temp, "calendar v2"));
    ASSERT_TRUE(shadow.ReplaceFileWithCopy(temp, calendar));
    ASSERT_TRUE(WriteThrough(shadow, state, "imported: A"));
    ASSERT_TRUE(shadow.DeleteFile(feed));

    EXPECT_EQ(ReadThrough(shadow, calendar), "calendar v2");
    EXPECT_EQ(ReadThrough(shadow, state), "imported: A");
    EXPECT_EQ(shadow.GetPathKind(state), EPathKind::File);
    EXPECT_TRUE(shadow.FileExists(state));
    EXPECT_EQ(ReadThrough(shadow, feed), "(none)");
    EXPECT_FALSE(shadow.FileExists(feed));
    EXPECT_EQ(shadow.GetPathKind(feed), EPathKind::Missing);
    CivilTime time;
    EXPECT_EQ(shadow.GetLastWriteTimeUtc(feed, time), EFileTimeResult::NotFound);
    EXPECT_FALSE(shadow.DeleteFile(feed)) << "deleted already";

    EXPECT_EQ(OnDisk(calendar), "calendar v1");
    EXPECT_EQ(OnDisk(state), "(none)");
    EXPECT_EQ(OnDisk(feed), "the feed, rewritten");
    // The temporary file is real, so that a download can fill it, but what the run wrote into
    // it stays in memory; deleting it deletes it.
    EXPECT_EQ(OnDisk(temp), "");
    EXPECT_TRUE(shadow.DeleteFile(temp));
    EXPECT_FALSE(CTempFolder::Exists(temp));
    EXPECT_EQ(folder.List(), (std::vector<std::string>{"cal.dat", "feed.ini"}));
}

TEST(ShadowPlatformTest, FoldersLocksAndModesAreLeftAlone) {
    const CTempFolder folder;
    const std::string settings = folder.File("config");
    const std::string calendar = folder.File("cal.dat");
    ASSERT_TRUE(CTempFolder::WriteBytes(calendar, Bytes("calendar")));
    const bool readableBefore = CPlatform::Default().IsReadableByOthers(calendar);
    CShadowPlatform shadow(CPlatform::Default());

    ASSERT_TRUE(shadow.CreateDirectory(settings));
    EXPECT_FALSE(shadow.CreateDirectory(settings)) << "made already";
    EXPECT_EQ(shadow.GetPathKind(settings), EPathKind::Folder);
    const std::string file = settings + shadow.PathSeparator() + "Settings.ini";
    ASSERT_TRUE(WriteThrough(shadow, file, "[Settings]"));
    EXPECT_EQ(ReadThrough(shadow, file), "[Settings]");
    EXPECT_TRUE(shadow.RestrictToOwner(calendar));
    EXPECT_EQ(CPlatform::Default().IsReadableByOthers(calendar), readableBefore);

    // Another program holds the lock: the shadow neither waits nor takes it.
    const std::string lockPath = folder.File("cal.lock");
    const std::unique_ptr<CFile> held = CPlatform::Default().OpenFile(lockPath, EFileOpen::Lock);
    ASSERT_NE(held, nullptr);
    EXPECT_NE(shadow.OpenFile(lockPath, EFileOpen::Lock), nullptr);
    // Where a folder stands nothing is written, as on the disk.
    EXPECT_EQ(shadow.OpenFile(folder.GetPath(), EFileOpen::WriteExclusive), nullptr);
    EXPECT_FALSE(shadow.CopyFile(folder.File("missing.dat"), calendar));
    EXPECT_EQ(ReadThrough(shadow, calendar), "calendar");

    EXPECT_EQ(folder.List(), (std::vector<std::string>{"cal.dat", "cal.lock"}));
}

TEST(ShadowPlatformTest, InstalledItIsTheCurrentPlatformAndItsTempFilesEndWithIt) {
    std::string temp;
    {
        CShadowPlatform shadow(CPlatform::Default());
        shadow.Install();
        EXPECT_EQ(&CPlatform::Current(), &shadow);
        std::string folder;
        ASSERT_TRUE(shadow.GetTempFolder(folder));
        ASSERT_TRUE(shadow.CreateTempFile(folder, "zfd", temp));
        EXPECT_TRUE(CTempFolder::Exists(temp));
    }
    EXPECT_EQ(&CPlatform::Current(), &CPlatform::Default());
    EXPECT_FALSE(CTempFolder::Exists(temp));
}

}  // namespace
