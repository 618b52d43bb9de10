#include "sync/ImportedGuids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FakePlatform.h"
#include "support/TempFolder.h"

namespace {

TEST(ImportedGuidsTest, SavedListReadsBackAndDamageReadsAsNone) {
    CTempFolder folder;
    ASSERT_FALSE(folder.GetPath().empty());
    CPlatform& platform = CPlatform::Default();
    const std::string path = folder.File("Imported.txt");
    EXPECT_TRUE(CImportedGuids::Load(platform, path).empty());
    const std::vector<std::string> guids = {"{A}", "{B}"};
    ASSERT_TRUE(CImportedGuids::Save(platform, path, guids));
    EXPECT_EQ(CImportedGuids::Load(platform, path), guids);
    ASSERT_TRUE(CImportedGuids::Save(platform, path, {}));
    EXPECT_TRUE(CImportedGuids::Load(platform, path).empty());
}

// The state belongs to one feed in one event file.
TEST(ImportedGuidsTest, OneStateFilePerFeedAndEventFile) {
    const std::string a = CImportedGuids::StatePath("/cfg/", "/f/club.ics", "/c/cal.dat");
    EXPECT_EQ(a.rfind("/cfg/Imported-", 0), 0u);
    EXPECT_EQ(a.size(), std::string("/cfg/Imported-0123456789abcdef.txt").size());
    EXPECT_EQ(a, CImportedGuids::StatePath("/cfg/", "/f/club.ics", "/c/cal.dat"));
    EXPECT_NE(a, CImportedGuids::StatePath("/cfg/", "/f/club.ics", "/c/other.dat"));
    EXPECT_NE(a, CImportedGuids::StatePath("/cfg/", "/f/school.ics", "/c/cal.dat"));
    EXPECT_EQ(CImportedGuids::StatePath("", "/f/club.ics", "/c/cal.dat"), "");
}

TEST(ImportedGuidsTest, GoneAreThoseTheFeedNoLongerHolds) {
    CStringArray removals;
    removals.Add("{R}");
    CImportedGuids::AddGone({"{A}", "{B}", "{C}"}, {"{C}", "{D}", "{A}"}, removals);
    ASSERT_EQ(removals.GetSize(), 2);
    EXPECT_EQ(removals[0], "{R}");
    EXPECT_EQ(removals[1], "{B}");
}

}  // namespace
