#include "sync/PathParts.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/PlatformWrapper.h"

namespace {

// Windows' path rules with a double-byte code page whose lead bytes are 0x81..0x9F, or the
// slash-separated paths of Linux.
class CPathPlatform : public CPlatformWrapper {
public:
    CPathPlatform(char separator, bool doubleByte)
        : CPlatformWrapper(CPlatform::Default()),
          m_separator(separator),
          m_doubleByte(doubleByte) {}
    bool IsLeadByte(unsigned char c) override { return m_doubleByte && c >= 0x81 && c <= 0x9F; }
    char PathSeparator() override { return m_separator; }

private:
    char m_separator;
    bool m_doubleByte;
};

struct SplitCase {
    const char* path;
    const char* root;
    const char* dir;
    const char* name;
    const char* ext;
    bool unc;
    bool relative;
};

class PathPartsTest : public ::testing::Test {
protected:
    void Use(char separator, bool doubleByte) {
        m_platform = std::make_unique<CPathPlatform>(separator, doubleByte);
    }
    void SetUp() override { Use('\\', false); }
    void ExpectSplit(const SplitCase& c) const;

    std::unique_ptr<CPathPlatform> m_platform;
};

void PathPartsTest::ExpectSplit(const SplitCase& c) const {
    SCOPED_TRACE(c.path);
    CPathParts parts(*m_platform, c.path);
    parts.Split();
    EXPECT_EQ(parts.m_strRoot, c.root);
    EXPECT_EQ(parts.m_strDir, c.dir);
    EXPECT_EQ(parts.m_strName, c.name);
    EXPECT_EQ(parts.m_strExt, c.ext);
    EXPECT_EQ(parts.m_bUnc, c.unc);
    EXPECT_EQ(parts.m_bRelative, c.relative);
}

TEST_F(PathPartsTest, SplitsWindowsPathForms) {
    const SplitCase cases[] = {
        {"C:\\Data\\Cal\\events.dat", "C:\\", "Data\\Cal\\", "events", "dat", false, false},
        {"\\\\srv\\share\\Cal\\events.dat", "\\\\srv\\share\\", "Cal\\", "events", "dat", true,
         false},
        {"\\\\?\\C:\\Data\\events.dat", "\\\\?\\C:\\", "Data\\", "events", "dat", false, false},
        {"\\\\?\\UNC\\srv\\share\\events.dat", "\\\\?\\UNC\\srv\\share\\", "", "events", "dat",
         true, false},
        {"Cal\\events.dat", "", "Cal\\", "events", "dat", false, true},
        {"events", "", "", "events", "", false, true},
        {"C:\\my.dir\\events", "C:\\", "my.dir\\", "events", "", false, false},
        // A UNC path without a share part: the server name is lost.
        {"\\\\srv\\events.dat", "\\\\", "", "events", "dat", true, false},
        {"\\\\srv", "", "", "srv", "", true, false},
        // A drive without ":\" is relative.
        {"C:events.dat", "", "", "C:events", "dat", false, true},
        {"C:\\events.dat", "C:\\", "", "events", "dat", false, false},
        {"events.", "", "", "events", "", false, true},
        {".dat", "", "", "", "dat", false, true},
        {"", "", "", "", "", false, false},
        {"a.b.c", "", "", "a.b", "c", false, true},
        // The slash is no separator where the platform's own is the backslash.
        {"C:\\x/y.dir/events", "C:\\", "", "x/y", "dir/events", false, false},
    };
    for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST_F(PathPartsTest, SlashSeparatesWhereItIsThePlatformSeparator) {
    Use('/', false);
    const SplitCase cases[] = {
        {"/my.dir/events", "/", "my.dir/", "events", "", false, false},
        {"/data/cal/events.dat", "/", "data/cal/", "events", "dat", false, false},
        {"cal/events.dat", "", "cal/", "events", "dat", false, true},
        {"/events.dat", "/", "", "events", "dat", false, false},
        // Backslashes still separate, so Windows paths given on Linux split as on Windows.
        {"C:\\Data\\events.dat", "C:\\", "Data\\", "events", "dat", false, false},
        {"data\\cal/events.dat", "", "data\\cal/", "events", "dat", false, true},
    };
    for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST_F(PathPartsTest, TrailBytesAreNeitherSeparatorsNorDots) {
    Use('\\', true);
    const SplitCase cases[] = {
        // 0x95 0x5C is one character whose second byte looks like a backslash.
        {"C:\\Data\\a\x95\x5C", "C:\\", "Data\\", "a\x95\x5C", "", false, false},
        {"C:\\\x95\x5C\\events.dat", "C:\\", "\x95\x5C\\", "events", "dat", false, false},
        // 0x81 0x2E is one character whose second byte looks like a dot.
        {"C:\\Data\\x\x81.y", "C:\\", "Data\\", "x\x81.y", "", false, false},
        // A lead byte at the very end has no trail byte.
        {"C:\\Data\\x.y\x81", "C:\\", "Data\\", "x", "y\x81", false, false},
        // 0xA0 is no lead byte, so its following backslash separates.
        {"C:\\Data\\a\xA0\\b", "C:\\", "Data\\a\xA0\\", "b", "", false, false},
    };
    for (const SplitCase& c : cases) ExpectSplit(c);
}

TEST_F(PathPartsTest, LockPathReplacesTheExtension) {
    struct LockCase {
        char separator;
        const char* path;
        const char* lock;
    };
    const LockCase cases[] = {
        {'\\', "C:\\Data\\Cal\\events.dat", "C:\\Data\\Cal\\events.lock"},
        {'\\', "C:\\Data\\events", "C:\\Data\\events.lock"},
        {'\\', "C:\\my.dir\\events", "C:\\my.dir\\events.lock"},
        {'\\', "C:\\Data\\events.", "C:\\Data\\events.lock"},
        {'\\', "C:\\Data\\.dat", "C:\\Data\\.lock"},
        {'\\', "", ".lock"},
        {'\\', "\\\\srv\\share\\Cal\\events.dat", "\\\\srv\\share\\Cal\\events.lock"},
        {'\\', "\\\\?\\UNC\\srv\\share\\events.dat", "\\\\?\\UNC\\srv\\share\\events.lock"},
        {'\\', "\\\\?\\C:\\events.dat", "\\\\?\\C:\\events.lock"},
        {'\\', "\\\\srv\\events.dat", "\\\\events.lock"},
        {'\\', "C:\\Data\\events.lock", "C:\\Data\\events.lock"},
        {'/', "/my.dir/events", "/my.dir/events.lock"},
        {'/', "/data/events.dat", "/data/events.lock"},
        {'/', "events.dat", "events.lock"},
    };
    for (const LockCase& c : cases) {
        SCOPED_TRACE(c.path);
        Use(c.separator, false);
        CPathParts parts(*m_platform, c.path);
        parts.SetExtension("lock");
        EXPECT_EQ(parts.GetPath(), c.lock);
        EXPECT_EQ(parts.m_strSplitFrom, c.lock);
    }
}

TEST_F(PathPartsTest, GetFileNameJoinsNameAndExtension) {
    const struct {
        const char* path;
        const char* fileName;
    } cases[] = {
        {"C:\\Data\\events.dat", "events.dat"},
        {"C:\\Data\\events", "events"},
        {"C:\\Data\\events.", "events"},
        {"C:\\Data\\.dat", ".dat"},
        {"", ""},
    };
    for (const auto& c : cases) {
        CPathParts parts(*m_platform, c.path);
        EXPECT_EQ(parts.GetFileName(), c.fileName) << c.path;
    }
}

TEST_F(PathPartsTest, SplitsOnlyWhenThePathTextChanged) {
    CPathParts parts(*m_platform, "C:\\Data\\events.dat");
    parts.Split();
    parts.m_strName = "changed";
    parts.Split();
    EXPECT_EQ(parts.m_strName, "changed") << "an unchanged path is not split again";

    parts.m_strPath = "C:\\Data\\EVENTS.dat";
    parts.Split();
    EXPECT_EQ(parts.m_strName, "EVENTS") << "a change of letter case splits again";

    // A new path splits afresh: no part or flag of the previous one survives.
    parts.m_strPath = "\\\\srv\\share\\x";
    parts.Split();
    EXPECT_TRUE(parts.m_bUnc);
    parts.m_strPath = "y";
    parts.Split();
    EXPECT_FALSE(parts.m_bUnc);
    EXPECT_TRUE(parts.m_bRelative);
    EXPECT_EQ(parts.m_strRoot, "");
    EXPECT_EQ(parts.m_strDir, "");
    EXPECT_EQ(parts.m_strExt, "");
}

TEST_F(PathPartsTest, RebuildKeepsEditedParts) {
    CPathParts parts(*m_platform, "C:\\Data\\events.dat");
    parts.Split();
    parts.m_strDir = "Other\\";
    parts.m_strName = "cal";
    parts.Rebuild();
    EXPECT_EQ(parts.GetPath(), "C:\\Other\\cal.dat");

    CPathParts copy(parts);
    copy.SetExtension("lock");
    EXPECT_EQ(copy.GetPath(), "C:\\Other\\cal.lock");
    EXPECT_EQ(parts.GetPath(), "C:\\Other\\cal.dat");
}

TEST_F(PathPartsTest, DefaultConstructedIsEmpty) {
    CPathParts parts(*m_platform);
    EXPECT_EQ(parts.GetPath(), "");
    EXPECT_FALSE(parts.m_bUnc);
    EXPECT_FALSE(parts.m_bRelative);
    parts.SetExtension("lock");
    EXPECT_EQ(parts.GetPath(), ".lock");
}

}  // namespace
