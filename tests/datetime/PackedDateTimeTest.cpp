#include "datetime/PackedDateTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "archive/Archive.h"
#include "platform/MemoryFile.h"

namespace {

// A packed value gives back every CDateTime it took, the mark of a date set in year 0
// included: a feed entry dated in year 0 keeps its year until it is stored.
TEST(PackedDateTimeTest, GivesBackWhatItTook) {
    CDateTime zero;
    ASSERT_TRUE(zero.SetDateTime(0, 12, 31, 6, 0, 0));
    const CDateTime values[] = {
        CDateTime(),
        CDateTime(2026, 12, 11, 23, 59, 59),
        zero,
        CDateTime::FromStored(-5, 90000),
        CDateTime::FromStored(INT32_MAX, -1),
    };
    for (const CDateTime& value : values) {
        const CDateTime back = CPackedDateTime(value);
        EXPECT_EQ(back.GetDayNumber(), value.GetDayNumber());
        EXPECT_EQ(back.GetSecondOfDay(), value.GetSecondOfDay());
        EXPECT_EQ(back.GetYear(), value.GetYear());
        EXPECT_EQ(back.GetMonth(), value.GetMonth());
        EXPECT_EQ(back.GetDay(), value.GetDay());
    }
    EXPECT_EQ(CPackedDateTime(zero).Get().GetYear(), 0);
    EXPECT_EQ(CPackedDateTime().Get(), CDateTime());
}

// Packed and unpacked values compare alike in either order and with each other.
TEST(PackedDateTimeTest, ComparesAsCDateTime) {
    const CDateTime values[] = {CDateTime::FromStored(10, 5), CDateTime::FromStored(10, 6),
                                CDateTime::FromStored(11, 0), CDateTime::FromStored(-1, 86399)};
    for (const CDateTime& a : values) {
        for (const CDateTime& b : values) {
            const CPackedDateTime pa(a);
            const CPackedDateTime pb(b);
            EXPECT_EQ(pa == pb, a == b);
            EXPECT_EQ(pa == b, a == b);
            EXPECT_EQ(a == pb, a == b);
            EXPECT_EQ(pa < pb, a < b);
            EXPECT_EQ(pa < b, a < b);
            EXPECT_EQ(a < pb, a < b);
            EXPECT_EQ(pa >= b, a >= b);
            EXPECT_EQ((pa - pb).GetTotalSeconds(), (a - b).GetTotalSeconds());
        }
    }
    EXPECT_EQ(CPackedDateTime(values[0]) + CDateTimeSpan(86400), CDateTime::FromStored(11, 5));
}

// The stored form is CDateTime's 8 bytes; loading gives the pair unvalidated.
TEST(PackedDateTimeTest, StoresAndLoadsTheEightBytesOfADateTime) {
    const CDateTime value = CDateTime::FromStored(738000, 90000);
    CMemoryFile packedFile;
    CMemoryFile plainFile;
    {
        CArchive packed(packedFile, CArchive::store);
        packed << CPackedDateTime(value);
        packed.Close();
        CArchive plain(plainFile, CArchive::store);
        plain << value;
        plain.Close();
    }
    EXPECT_EQ(packedFile.GetData(), plainFile.GetData());
    EXPECT_EQ(packedFile.GetData().size(), 8u);

    CMemoryFile input(packedFile.GetData());
    CArchive ar(input, CArchive::load);
    CPackedDateTime loaded;
    ar >> loaded;
    EXPECT_EQ(loaded.GetDayNumber(), 738000);
    EXPECT_EQ(loaded.GetSecondOfDay(), 90000);
}

}  // namespace
