#include "store/TodoEntry.h"

#include <gtest/gtest.h>

#include <string>

#include "store/RecordBytes.h"
#include "support/FakePlatform.h"

namespace {

CTodoEntry MakeFilledTodo() {
    CTodoEntry t;
    t.GUID = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}";
    t.Value1 = 101;
    t.Text1 = "Buy milk";
    t.Text2 = "";
    t.Text3 = "kitchen";
    t.Value2 = 102;
    t.Value3 = 103;
    t.Value4 = 104;
    t.Value5 = 105;
    t.Date1 = CDateTime(2023, 11, 2, 14, 5, 0);
    t.Value6 = 106;
    t.Value7 = 107;
    t.Value8 = 108;
    t.Value9 = 109;
    t.Value10 = 110;
    t.Value11 = 111;
    t.Value12 = 112;
    t.Text4 = std::string(300, 'x');  // 3-byte length prefix
    t.Value13 = 113;
    t.Date2 = CDateTime(2024, 2, 29, 23, 59, 59);
    return t;
}

Bytes StoredObject(const CTodoEntry& todo, int schema) {
    CByteWriter w;
    w.NewClass(static_cast<std::uint16_t>(schema), "CTodoEntry");
    WriteTodoFields(w, todo, schema);
    return w.Data();
}

class TodoEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.SetLocalTime({2024, 5, 17, 8, 30, 45});
        m_platform.Install();
    }

    CFakePlatform m_platform;
};

TEST_F(TodoEntryTest, NewEntryTakesTheDefaults) {
    const CTodoEntry t;
    EXPECT_EQ(t.GUID, "{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(t.Date1, CDateTime(2024, 5, 17, 8, 30, 0));
    EXPECT_EQ(t.Date2, CDateTime());
    const std::int32_t values[] = {t.Value1,  t.Value2,  t.Value3,  t.Value4,   t.Value5,
                                   t.Value6,  t.Value7,  t.Value8,  t.Value9,   t.Value10,
                                   t.Value11, t.Value12, t.Value13, t.Transient};
    const std::int32_t expected[] = {0, 0, 224, 0, 0, 1, 0, 1, 1, 2, 1, 0, 0, 0};
    for (std::size_t i = 0; i < std::size(values); ++i) EXPECT_EQ(values[i], expected[i]) << i;
    EXPECT_TRUE(t.Text1.empty() && t.Text2.empty() && t.Text3.empty() && t.Text4.empty());
}

TEST_F(TodoEntryTest, NewEntryFieldsTake111Bytes) {
    CTodoEntry t;
    const Bytes stored = SerializeBytes(t);
    ASSERT_EQ(stored.size(), 111u);
    EXPECT_EQ(stored[0], 38);
    EXPECT_EQ(std::string(stored.begin() + 1, stored.begin() + 39), t.GUID);
    // Date2, last: day number 1, second 0.
    EXPECT_EQ(Bytes(stored.end() - 8, stored.end()), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(TodoEntryTest, StoresSchema3AndLoadsItBackUnchanged) {
    CTodoEntry t = MakeFilledTodo();
    t.Transient = 9;
    const Bytes stored = StoredObject(t, 3);
    EXPECT_EQ(WriteObjectBytes(t), stored);

    std::unique_ptr<CObject> object;
    ASSERT_EQ(ReadObjectBytes(stored, CTodoEntry::GetThisClass(), object), 0);
    const auto* loaded = dynamic_cast<CTodoEntry*>(object.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Text4, t.Text4);
    EXPECT_EQ(loaded->Transient, 0);
    EXPECT_EQ(WriteObjectBytes(*loaded), stored);
}

TEST_F(TodoEntryTest, EveryStoredSchemaLoadsAndStoresAsSchema3) {
    struct SCase {
        int schema;
        bool hasGuid;    // GUID and Value1
        bool hasValues;  // Value2..Value5
    };
    const SCase cases[] = {
        {1, false, false}, {2, true, false}, {3, true, true}, {4, true, true}, {9, true, true},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE("schema " + std::to_string(c.schema));
        const CTodoEntry source = MakeFilledTodo();
        m_platform.SetNextGuidNumber(0xABC);
        std::unique_ptr<CObject> object;
        ASSERT_EQ(
            ReadObjectBytes(StoredObject(source, c.schema), CTodoEntry::GetThisClass(), object), 0);
        const auto* loaded = dynamic_cast<CTodoEntry*>(object.get());
        ASSERT_NE(loaded, nullptr);

        CTodoEntry expected(source);
        if (!c.hasGuid) {
            expected.GUID = "{00000000-0000-0000-0000-000000000ABC}";
            expected.Value1 = 0;
        }
        if (!c.hasValues) {
            expected.Value2 = 0;
            expected.Value3 = 224;
            expected.Value4 = 0;
            expected.Value5 = 0;
        }
        EXPECT_EQ(WriteObjectBytes(*loaded), StoredObject(expected, 3));
    }
}

TEST_F(TodoEntryTest, AssignmentCopiesEveryFieldIncludingTransient) {
    CTodoEntry source = MakeFilledTodo();
    source.Transient = 5;
    CTodoEntry target;
    target = source;
    EXPECT_EQ(SerializeBytes(target), SerializeBytes(source));
    EXPECT_EQ(target.Transient, 5);

    CTodoEntry& self = target;
    target = self;
    EXPECT_EQ(SerializeBytes(target), SerializeBytes(source));
}

}  // namespace
