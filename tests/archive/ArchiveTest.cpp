#include "archive/Archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "archive/Object.h"
#include "platform/MemoryFile.h"
#include "support/AllocationLimit.h"
#include "support/FakePlatform.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Cause = CArchiveException::ECause;

// Builds streams by hand, independently of the archive's writer.
class CBytes {
public:
    CBytes& U8(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    CBytes& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    CBytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    CBytes& Text(const std::string& s) {
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return *this;
    }
    CBytes& ClassRecord(const std::string& name, std::uint16_t schema) {
        return U16(0xFFFF).U16(schema).U16(static_cast<std::uint16_t>(name.size())).Text(name);
    }
    CBytes& Append(const Bytes& more) {
        m_bytes.insert(m_bytes.end(), more.begin(), more.end());
        return *this;
    }
    operator Bytes() const { return m_bytes; }
    const Bytes& Get() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// --- Test records, registered under names no production record uses. ---

std::unique_ptr<CObject> CreateProbe();
std::unique_ptr<CObject> CreateProbeDerived();
std::unique_ptr<CObject> CreateOther();
std::unique_ptr<CObject> CreateVersioned();
std::unique_ptr<CObject> CreateNest();

const CRuntimeClass g_probeClass = {"CArchiveProbe", 2, false, &CreateProbe,
                                    CObject::GetThisClass()};
const CRuntimeClass g_probeDerivedClass = {"CArchiveProbeDerived", 1, false, &CreateProbeDerived,
                                           &g_probeClass};
const CRuntimeClass g_otherClass = {"CArchiveOther", 1, false, &CreateOther,
                                    CObject::GetThisClass()};
const CRuntimeClass g_versionedClass = {"CArchiveVersioned", 3, true, &CreateVersioned,
                                        CObject::GetThisClass()};
const CRuntimeClass g_nestClass = {"CArchiveNest", 4, true, &CreateNest, CObject::GetThisClass()};
const CRuntimeClass g_abstractClass = {"CArchiveAbstract", 1, false, nullptr,
                                       CObject::GetThisClass()};
// Registered names at the length limit of a stored class name and one past it; loading
// creates a fieldless object for either.
const std::string g_name63 = "CArchive" + std::string(55, 'n');
const std::string g_name64 = "CArchive" + std::string(56, 'n');
const CRuntimeClass g_name63Class = {g_name63.c_str(), 1, false, &CreateOther,
                                     CObject::GetThisClass()};
const CRuntimeClass g_name64Class = {g_name64.c_str(), 1, false, &CreateOther,
                                     CObject::GetThisClass()};
const CClassRegistration g_registrations[] = {
    CClassRegistration(&g_probeClass),  CClassRegistration(&g_probeDerivedClass),
    CClassRegistration(&g_otherClass),  CClassRegistration(&g_versionedClass),
    CClassRegistration(&g_nestClass),   CClassRegistration(&g_abstractClass),
    CClassRegistration(&g_name63Class), CClassRegistration(&g_name64Class)};

// One int32 field.
class CArchiveProbe : public CObject {
public:
    explicit CArchiveProbe(std::int32_t value = 0) : m_value(value) {}
    const CRuntimeClass* GetRuntimeClass() const override { return &g_probeClass; }
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteInt32(m_value);
        } else {
            m_value = ar.ReadInt32();
        }
    }
    std::int32_t m_value;
};

// The base's int32, then a string.
class CArchiveProbeDerived : public CArchiveProbe {
public:
    CArchiveProbeDerived(std::int32_t value = 0, std::string text = {})
        : CArchiveProbe(value), m_text(std::move(text)) {}
    const CRuntimeClass* GetRuntimeClass() const override { return &g_probeDerivedClass; }
    void Serialize(CArchive& ar) override {
        CArchiveProbe::Serialize(ar);
        if (ar.IsStoring()) {
            ar.WriteString(m_text);
        } else {
            m_text = ar.ReadString();
        }
    }
    std::string m_text;
};

// No fields at all.
class CArchiveOther : public CObject {
public:
    const CRuntimeClass* GetRuntimeClass() const override { return &g_otherClass; }
};

// Remembers the schema that loading offered it, and what a second look returns.
class CArchiveVersioned : public CObject {
public:
    const CRuntimeClass* GetRuntimeClass() const override { return &g_versionedClass; }
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteInt32(m_value);
        } else {
            m_schema = ar.GetObjectSchema();
            m_schemaAgain = ar.GetObjectSchema();
            m_value = ar.ReadInt32();
        }
    }
    std::int32_t m_value = 0;
    int m_schema = -2;
    int m_schemaAgain = -2;
};

// Holds further objects; looks at its own schema only after they were loaded.
class CArchiveNest : public CObject {
public:
    const CRuntimeClass* GetRuntimeClass() const override { return &g_nestClass; }
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteInt32(static_cast<std::int32_t>(m_children.size()));
            for (const auto& child : m_children) ar.WriteObject(*child);
        } else {
            const std::int32_t count = ar.ReadInt32();
            for (std::int32_t i = 0; i < count; ++i) {
                m_children.push_back(ar.ReadObject(&g_versionedClass));
            }
            m_schemaAfterChildren = ar.GetObjectSchema();
        }
    }
    std::vector<std::unique_ptr<CObject>> m_children;
    int m_schemaAfterChildren = -2;
};

std::unique_ptr<CObject> CreateProbe() {
    return std::make_unique<CArchiveProbe>();
}
std::unique_ptr<CObject> CreateProbeDerived() {
    return std::make_unique<CArchiveProbeDerived>();
}
std::unique_ptr<CObject> CreateOther() {
    return std::make_unique<CArchiveOther>();
}
std::unique_ptr<CObject> CreateVersioned() {
    return std::make_unique<CArchiveVersioned>();
}
std::unique_ptr<CObject> CreateNest() {
    return std::make_unique<CArchiveNest>();
}

// --- Helpers ---

Bytes Store(const std::function<void(CArchive&)>& write,
            std::size_t bufferSize = CArchive::kDefaultBufferSize) {
    CMemoryFile file;
    CArchive ar(file, CArchive::store, bufferSize);
    write(ar);
    ar.Close();
    return file.GetData();
}

// The cause that loading `bytes` with `read` ends with; none when it completes.
Cause LoadCause(const Bytes& bytes, const std::function<void(CArchive&)>& read,
                std::size_t bufferSize = CArchive::kDefaultBufferSize) {
    CMemoryFile file(bytes);
    try {
        CArchive ar(file, CArchive::load, bufferSize);
        read(ar);
    } catch (const CArchiveException& e) {
        return e.GetCause();
    }
    return CArchiveException::none;
}

// A narrow string with its shortest length prefix, built by hand.
Bytes OrdinaryString(const std::string& text) {
    CBytes bytes;
    const auto n = static_cast<std::uint32_t>(text.size());
    if (n < 0xFF) {
        bytes.U8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        bytes.U8(0xFF).U16(static_cast<std::uint16_t>(n));
    } else {
        bytes.U8(0xFF).U16(0xFFFF).U32(n);
    }
    return bytes.Text(text);
}

Bytes Prefix(const Bytes& bytes, std::size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

// Installs a fake platform whose wide-to-ANSI conversion records its input.
class CRecordingPlatform : public CFakePlatform {
public:
    std::string WideToAnsi(const std::u16string& text) override {
        m_wideSeen.push_back(text);
        return CFakePlatform::WideToAnsi(text);
    }
    std::vector<std::u16string> m_wideSeen;
};

// --- Primitives ---

TEST(ArchivePrimitiveTest, IntegersAreLittleEndianWithoutPadding) {
    const Bytes bytes = Store([](CArchive& ar) {
        ar.WriteInt32(-2);
        ar.WriteInt32(0x12345678);
        ar.WriteUInt32(0x89ABCDEFu);
        ar.WriteUInt16(0xBEEF);
        ar.WriteByte(0x7A);
        const std::uint8_t raw[3] = {1, 2, 3};
        ar.Write(raw, sizeof raw);
    });
    const Bytes expected = CBytes()
                               .U8(0xFE)
                               .U8(0xFF)
                               .U8(0xFF)
                               .U8(0xFF)
                               .U8(0x78)
                               .U8(0x56)
                               .U8(0x34)
                               .U8(0x12)
                               .U8(0xEF)
                               .U8(0xCD)
                               .U8(0xAB)
                               .U8(0x89)
                               .U8(0xEF)
                               .U8(0xBE)
                               .U8(0x7A)
                               .U8(1)
                               .U8(2)
                               .U8(3);
    EXPECT_EQ(bytes, expected);

    const Cause cause = LoadCause(bytes, [](CArchive& ar) {
        EXPECT_EQ(ar.ReadInt32(), -2);
        EXPECT_EQ(ar.ReadInt32(), 0x12345678);
        EXPECT_EQ(ar.ReadUInt32(), 0x89ABCDEFu);
        EXPECT_EQ(ar.ReadUInt16(), 0xBEEF);
        EXPECT_EQ(ar.ReadByte(), 0x7A);
        std::uint8_t raw[3] = {};
        ar.Read(raw, sizeof raw);
        EXPECT_EQ(Bytes(raw, raw + 3), (Bytes{1, 2, 3}));
        EXPECT_EQ(ar.GetRemaining(), 0u);
    });
    EXPECT_EQ(cause, CArchiveException::none);
}

TEST(ArchivePrimitiveTest, StringPrefixSizes) {
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {1, {0x01}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'a');
        for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
        const Bytes bytes = Store([&](CArchive& ar) { ar.WriteString(text); });
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
        EXPECT_EQ(Prefix(bytes, c.prefix.size()), c.prefix);
        EXPECT_TRUE(std::equal(text.begin(), text.end(), bytes.begin() + c.prefix.size()));

        std::string loaded;
        EXPECT_EQ(LoadCause(bytes, [&](CArchive& ar) { loaded = ar.ReadString(); }),
                  CArchiveException::none);
        EXPECT_EQ(loaded, text);
    }
}

TEST(ArchivePrimitiveTest, ListCountForms) {
    struct Case {
        std::uint32_t count;
        Bytes bytes;
    };
    const Case cases[] = {
        {0, {0x00, 0x00}},
        {65534, {0xFE, 0xFF}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {65536, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
        {0xFFFFFFFFu, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(Store([&](CArchive& ar) { ar.WriteCount(c.count); }), c.bytes);
        std::uint32_t loaded = 0;
        EXPECT_EQ(LoadCause(c.bytes, [&](CArchive& ar) { loaded = ar.ReadCount(); }),
                  CArchiveException::none);
        EXPECT_EQ(loaded, c.count);
    }
}

// Values straddle buffer boundaries at every small buffer size, so a refill that drops or
// repeats the bytes left in the buffer shows up; the bytes never depend on the buffer.
TEST(ArchiveBufferTest, RoundTripAtEveryBufferSize) {
    const std::string longText(5000, 'x');
    const auto write = [&](CArchive& ar) {
        for (int i = 0; i < 40; ++i) {
            ar.WriteByte(static_cast<std::uint8_t>(i));
            ar.WriteInt32(i * 1000003);
            ar.WriteUInt16(static_cast<std::uint16_t>(i * 7));
            ar.WriteString(std::string(static_cast<std::size_t>(i), static_cast<char>('A' + i)));
            ar.WriteCount(static_cast<std::uint32_t>(i * 4000));
        }
        ar.WriteString(longText);
        ar.WriteInt32(-1);
    };
    const auto read = [&](CArchive& ar) {
        for (int i = 0; i < 40; ++i) {
            ASSERT_EQ(ar.ReadByte(), i);
            ASSERT_EQ(ar.ReadInt32(), i * 1000003);
            ASSERT_EQ(ar.ReadUInt16(), i * 7);
            ASSERT_EQ(ar.ReadString(),
                      std::string(static_cast<std::size_t>(i), static_cast<char>('A' + i)));
            ASSERT_EQ(ar.ReadCount(), static_cast<std::uint32_t>(i * 4000));
        }
        ASSERT_EQ(ar.ReadString(), longText);
        ASSERT_EQ(ar.ReadInt32(), -1);
        ASSERT_EQ(ar.GetRemaining(), 0u);
    };
    const Bytes reference = Store(write);
    for (std::size_t bufferSize = 16; bufferSize <= 40; ++bufferSize) {
        SCOPED_TRACE(bufferSize);
        EXPECT_EQ(Store(write, bufferSize), reference);
        EXPECT_EQ(LoadCause(reference, read, bufferSize), CArchiveException::none);
    }
}

TEST(ArchiveBufferTest, RemainingCountsFromTheStartPosition) {
    CMemoryFile file(Bytes(100, 0x11));
    file.SetPosition(30);
    CArchive ar(file, CArchive::load, 16);
    EXPECT_EQ(ar.GetRemaining(), 70u);
    ar.ReadInt32();
    EXPECT_EQ(ar.GetRemaining(), 66u);
    ar.RequireRemaining(66);
    std::vector<std::uint8_t> rest(60);
    ar.Read(rest.data(), rest.size());
    EXPECT_EQ(ar.GetRemaining(), 6u);
    try {
        ar.RequireRemaining(7);
        ADD_FAILURE() << "7 bytes required of 6";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::endOfFile);
    }
    // A raw read longer than the rest fails as a whole and consumes nothing.
    std::uint8_t tooMany[7];
    EXPECT_THROW(ar.Read(tooMany, sizeof tooMany), CArchiveException);
    EXPECT_EQ(ar.GetRemaining(), 6u);
}

// A memory file that counts the calls reaching it and the largest transfer.
class CCountingFile : public CMemoryFile {
public:
    using CMemoryFile::CMemoryFile;
    bool Read(void* buffer, std::size_t count, std::size_t& read) override {
        ++m_reads;
        m_largest = std::max(m_largest, count);
        return CMemoryFile::Read(buffer, count, read);
    }
    bool Write(const void* buffer, std::size_t count) override {
        ++m_writes;
        m_largest = std::max(m_largest, count);
        return CMemoryFile::Write(buffer, count);
    }
    int m_reads = 0;
    int m_writes = 0;
    std::size_t m_largest = 0;
};

// Beneath the buffer the file moves in whole blocks: streams just below, at and above the
// block size, through buffers smaller than, equal to and larger than a block, come back
// byte for byte, and take one call to the file per block (plus those that meet the end: one
// while the last block is taken, one for the read past the end).
TEST(ArchiveBufferTest, FileMovesInBlocksAtEveryBoundary) {
    constexpr std::size_t kBlock = CArchive::kFileBlockSize;
    for (const std::size_t length :
         {std::size_t{1}, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock + 4093}) {
        for (const std::size_t bufferSize :
             {std::size_t{16}, CArchive::kDefaultBufferSize, kBlock, kBlock + 3}) {
            SCOPED_TRACE(testing::Message() << "length " << length << ", buffer " << bufferSize);
            Bytes pattern(length);
            for (std::size_t i = 0; i < length; ++i)
                pattern[i] = static_cast<std::uint8_t>(i * 131);
            const std::size_t calls = (length + kBlock - 1) / kBlock;
            // Pieces of 1 to 4095 bytes, so that values straddle every refill and flush.
            const auto pieceAt = [](std::size_t offset) { return 1 + offset * 7 % 4095; };

            CCountingFile stored;
            {
                CArchive ar(stored, CArchive::store, bufferSize);
                for (std::size_t offset = 0; offset < length;) {
                    const std::size_t piece = std::min(pieceAt(offset), length - offset);
                    ar.Write(pattern.data() + offset, piece);
                    offset += piece;
                }
                ar.Close();
            }
            EXPECT_EQ(stored.GetData(), pattern);
            if (bufferSize < kBlock) {
                EXPECT_EQ(stored.m_writes, static_cast<int>(calls));
                EXPECT_LE(stored.m_largest, kBlock);
            }

            CCountingFile loaded(pattern);
            CArchive ar(loaded, CArchive::load, bufferSize);
            Bytes back(length);
            for (std::size_t offset = 0; offset < length;) {
                const std::size_t piece = std::min(pieceAt(offset), length - offset);
                ar.Read(back.data() + offset, piece);
                offset += piece;
            }
            EXPECT_EQ(back, pattern);
            EXPECT_EQ(ar.GetRemaining(), 0u);
            EXPECT_THROW(ar.ReadByte(), CArchiveException);
            EXPECT_LE(loaded.m_reads, static_cast<int>(calls) + 2);
        }
    }
}

// Typed values across block boundaries: integers and strings (read in place from the buffer
// or its window onto the block, or through the buffer's own bytes where they straddle two
// blocks) come back whatever the buffer size.
TEST(ArchiveBufferTest, TypedValuesAcrossBlocksComeBack) {
    const auto text = [](int i) {
        return std::string(static_cast<std::size_t>(i * 37 % 300), static_cast<char>('a' + i % 26));
    };
    const int count = 9000;  // about 1.5 MB: several blocks
    const auto write = [&](CArchive& ar) {
        for (int i = 0; i < count; ++i) {
            ar.WriteInt32(i);
            ar.WriteString(text(i));
            ar.WriteUInt16(static_cast<std::uint16_t>(i * 3));
            ar.WriteByte(static_cast<std::uint8_t>(i));
        }
    };
    const auto read = [&](CArchive& ar) {
        std::string scratch;
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(ar.ReadInt32(), i);
            ASSERT_EQ(ar.ReadStringView(scratch), text(i)) << i;
            ASSERT_EQ(ar.ReadUInt16(), static_cast<std::uint16_t>(i * 3));
            ASSERT_EQ(ar.ReadByte(), static_cast<std::uint8_t>(i));
        }
        ASSERT_EQ(ar.GetRemaining(), 0u);
    };
    const Bytes reference = Store(write);
    ASSERT_GT(reference.size(), 4 * CArchive::kFileBlockSize);
    for (const std::size_t bufferSize :
         {std::size_t{16}, std::size_t{333}, CArchive::kDefaultBufferSize,
          CArchive::kFileBlockSize + 3}) {
        SCOPED_TRACE(bufferSize);
        EXPECT_EQ(Store(write, bufferSize), reference);
        EXPECT_EQ(LoadCause(reference, read, bufferSize), CArchiveException::none);
    }
}

// A file that fails in its second block fails the store at the flush that reaches it (the
// latest at Close) and the load at the refill that reaches it.
TEST(ArchiveFileErrorTest, FailureInALaterBlockIsAFileError) {
    constexpr std::size_t kBlock = CArchive::kFileBlockSize;
    const Bytes pattern(2 * kBlock + 100, 0x5A);
    for (const std::size_t failAfter : {kBlock - 1, kBlock, kBlock + 1, 2 * kBlock + 99}) {
        SCOPED_TRACE(failAfter);
        CMemoryFile target;
        target.FailWriteAfter(failAfter);
        try {
            CArchive ar(target, CArchive::store);
            ar.Write(pattern.data(), pattern.size());
            ar.Close();
            ADD_FAILURE() << "stored";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::genericException);
        }
        EXPECT_LE(target.GetData().size(), failAfter);

        CMemoryFile source(pattern);
        source.FailReadAfter(failAfter);
        try {
            CArchive ar(source, CArchive::load);
            Bytes back(pattern.size());
            ar.Read(back.data(), back.size());
            ADD_FAILURE() << "loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::genericException);
        }
    }
}

// --- Objects ---

TEST(ArchiveObjectTest, TagsOfNewAndKnownClasses) {
    const CArchiveProbe a1(7), a2(8), a3(9);
    const CArchiveOther b1, b2;
    const Bytes bytes = Store([&](CArchive& ar) {
        ar.WriteObject(a1);  // class 1, object 2
        ar.WriteObject(a2);  // object 3
        ar.WriteObject(b1);  // class 4, object 5
        ar.WriteObject(a3);  // object 6
        ar.WriteObject(b2);  // object 7
    });
    const Bytes expected = CBytes()
                               .ClassRecord("CArchiveProbe", 2)
                               .U32(7)
                               .U8(0x01)
                               .U8(0x80)
                               .U32(8)
                               .ClassRecord("CArchiveOther", 1)
                               .U8(0x01)
                               .U8(0x80)
                               .U32(9)
                               .U8(0x04)
                               .U8(0x80);
    EXPECT_EQ(bytes, expected);

    const Cause cause = LoadCause(bytes, [](CArchive& ar) {
        const std::vector<std::pair<const CRuntimeClass*, std::int32_t>> want = {
            {&g_probeClass, 7},
            {&g_probeClass, 8},
            {&g_otherClass, 0},
            {&g_probeClass, 9},
            {&g_otherClass, 0}};
        for (const auto& [cls, value] : want) {
            const std::unique_ptr<CObject> object = ar.ReadObject(CObject::GetThisClass());
            ASSERT_EQ(object->GetRuntimeClass(), cls);
            if (cls == &g_probeClass) {
                EXPECT_EQ(static_cast<CArchiveProbe&>(*object).m_value, value);
            }
        }
    });
    EXPECT_EQ(cause, CArchiveException::none);
}

// Numbers below 0x7FFF use the short class tag, from 0x7FFF on the escape; loading follows.
TEST(ArchiveObjectTest, ClassNumbersAroundTheEscape) {
    struct Case {
        int probesBefore;      // probes written first: class 1, objects 2 .. probesBefore + 1
        Bytes secondOtherTag;  // the tag of the second CArchiveOther
    };
    const Case cases[] = {
        {0x7FFB, {0xFD, 0xFF}},                          // class 0x7FFD
        {0x7FFC, {0xFE, 0xFF}},                          // class 0x7FFE
        {0x7FFD, {0xFF, 0x7F, 0xFF, 0x7F, 0x00, 0x80}},  // class 0x7FFF
        {0x7FFE, {0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80}},  // class 0x8000
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.probesBefore);
        const Bytes bytes = Store([&](CArchive& ar) {
            for (int i = 0; i < c.probesBefore; ++i) ar.WriteObject(CArchiveProbe(i));
            ar.WriteObject(CArchiveOther());
            ar.WriteObject(CArchiveOther());
            ar.WriteObject(CArchiveProbe(-5));
        });
        const Bytes tail = CBytes()
                               .ClassRecord("CArchiveOther", 1)
                               .Append(c.secondOtherTag)
                               .U8(0x01)
                               .U8(0x80)
                               .U32(static_cast<std::uint32_t>(-5));
        ASSERT_GE(bytes.size(), tail.size());
        EXPECT_EQ(Bytes(bytes.end() - static_cast<std::ptrdiff_t>(tail.size()), bytes.end()), tail);

        const Cause cause = LoadCause(bytes, [&](CArchive& ar) {
            for (int i = 0; i < c.probesBefore; ++i) {
                const auto object = ar.ReadObject(&g_probeClass);
                ASSERT_EQ(static_cast<CArchiveProbe&>(*object).m_value, i);
            }
            EXPECT_EQ(ar.ReadObject(nullptr)->GetRuntimeClass(), &g_otherClass);
            EXPECT_EQ(ar.ReadObject(nullptr)->GetRuntimeClass(), &g_otherClass);
            const auto last = ar.ReadObject(&g_probeClass);
            EXPECT_EQ(static_cast<CArchiveProbe&>(*last).m_value, -5);
            EXPECT_EQ(ar.GetRemaining(), 0u);
        });
        EXPECT_EQ(cause, CArchiveException::none);
    }
}

TEST(ArchiveObjectTest, ObjectSchemaDuringLoad) {
    // A nest (stored schema 2) holding a versioned object stored with schema 1 and one stored
    // in the class's own schema 3 under a later class tag.
    const Bytes bytes = CBytes()
                            .ClassRecord("CArchiveNest", 2)
                            .U32(2)
                            .ClassRecord("CArchiveVersioned", 1)
                            .U32(11)
                            .U16(0x8003)
                            .U32(12);
    std::unique_ptr<CObject> object;
    CMemoryFile file(bytes);
    CArchive ar(file, CArchive::load);
    EXPECT_EQ(ar.GetObjectSchema(), -1);
    object = ar.ReadObject(&g_nestClass);
    const auto& nest = static_cast<CArchiveNest&>(*object);
    ASSERT_EQ(nest.m_children.size(), 2u);
    for (const auto& child : nest.m_children) {
        const auto& versioned = static_cast<CArchiveVersioned&>(*child);
        EXPECT_EQ(versioned.m_schema, 1);  // the class record's schema, not the class's own
        EXPECT_EQ(versioned.m_schemaAgain, -1);
    }
    EXPECT_EQ(static_cast<CArchiveVersioned&>(*nest.m_children[1]).m_value, 12);
    EXPECT_EQ(nest.m_schemaAfterChildren, 2);
    EXPECT_EQ(ar.GetObjectSchema(), -1);
}

TEST(ArchiveObjectTest, NestedObjectsShareTheNumbering) {
    CArchiveNest nest;
    nest.m_children.push_back(std::make_unique<CArchiveVersioned>());
    nest.m_children.push_back(std::make_unique<CArchiveVersioned>());
    const Bytes bytes = Store([&](CArchive& ar) {
        ar.WriteObject(nest);            // class 1, object 2; children: class 3, objects 4, 5
        ar.WriteObject(CArchiveNest());  // object 6
    });
    const Bytes expected = CBytes()
                               .ClassRecord("CArchiveNest", 4)
                               .U32(2)
                               .ClassRecord("CArchiveVersioned", 3)
                               .U32(0)
                               .U16(0x8003)
                               .U32(0)
                               .U16(0x8001)
                               .U32(0);
    EXPECT_EQ(bytes, expected);
}

}  // namespace

// Moves an archive's numbering on, as if that many classes and objects had gone before.
class CArchiveTestPeer {
public:
    static void SetNextNumber(CArchive& ar, std::uint32_t number) { ar.m_nextNumber = number; }
};

namespace {

// Numbers stop below 0x3FFFFFFE in both directions; large class numbers use the escape.
TEST(ArchiveObjectTest, NumberingStopsBelowTheLimit) {
    const struct {
        std::uint32_t firstNumber;
        int objectsAccepted;
    } cases[] = {{0x3FFFFFFB, 2}, {0x3FFFFFFC, 1}, {0x3FFFFFFD, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstNumber);
        CMemoryFile file;
        int stored = 0;
        try {
            CArchive ar(file, CArchive::store);
            CArchiveTestPeer::SetNextNumber(ar, c.firstNumber);
            for (; stored < 3; ++stored) ar.WriteObject(CArchiveProbe(stored));
            ADD_FAILURE() << "no limit";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::badIndex);
        }
        EXPECT_EQ(stored, c.objectsAccepted);

        // The class gets firstNumber; later objects name it through the escape.
        CBytes stream;
        stream.ClassRecord("CArchiveProbe", 2).U32(0);
        for (int i = 1; i < 3; ++i) stream.U16(0x7FFF).U32(0x80000000u | c.firstNumber).U32(0);
        CMemoryFile source(stream);
        int loaded = 0;
        try {
            CArchive ar(source, CArchive::load);
            CArchiveTestPeer::SetNextNumber(ar, c.firstNumber);
            for (; loaded < 3; ++loaded) ar.ReadObject(&g_probeClass);
            ADD_FAILURE() << "no limit";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::badIndex);
        }
        EXPECT_EQ(loaded, c.objectsAccepted);
    }

    const Bytes bytes = Store([](CArchive& ar) {
        CArchiveTestPeer::SetNextNumber(ar, 0x3FFFFFFB);
        ar.WriteObject(CArchiveProbe(1));
        ar.WriteObject(CArchiveProbe(2));
    });
    const Bytes expected = CBytes()
                               .ClassRecord("CArchiveProbe", 2)
                               .U32(1)
                               .U8(0xFF)
                               .U8(0x7F)
                               .U8(0xFB)
                               .U8(0xFF)
                               .U8(0xFF)
                               .U8(0xBF)
                               .U32(2);
    EXPECT_EQ(bytes, expected);
}

// --- Damaged streams ---

struct FailureCase {
    const char* name;
    Bytes bytes;
    const CRuntimeClass* expected;
    Cause cause;
};

TEST(ArchiveFailureTest, DamagedTagsAndClassRecords) {
    const Bytes probe = CBytes().ClassRecord("CArchiveProbe", 2).U32(1);  // class 1, object 2
    const std::string longName = "C" + std::string(63, 'x');
    const FailureCase cases[] = {
        {"no object", CBytes().U16(0), nullptr, CArchiveException::badIndex},
        {"reference, nothing loaded", CBytes().U16(1), nullptr, CArchiveException::badIndex},
        {"reference to a loaded object", CBytes().Append(probe).U16(2), nullptr,
         CArchiveException::badIndex},
        {"escaped reference to a loaded object", CBytes().Append(probe).U16(0x7FFF).U32(2), nullptr,
         CArchiveException::badIndex},
        {"escaped object number 0x7FFF", CBytes().U16(0x7FFF).U32(0x7FFF), nullptr,
         CArchiveException::badIndex},
        {"class never numbered", CBytes().U16(0x8001), nullptr, CArchiveException::badIndex},
        {"class number 0", CBytes().U16(0x8000), nullptr, CArchiveException::badIndex},
        {"class tag naming an object", CBytes().Append(probe).U16(0x8002), nullptr,
         CArchiveException::badIndex},
        {"escaped class tag naming an object", CBytes().Append(probe).U16(0x7FFF).U32(0x80000002u),
         nullptr, CArchiveException::badIndex},
        {"escaped class never numbered", CBytes().Append(probe).U16(0x7FFF).U32(0x80000003u),
         nullptr, CArchiveException::badIndex},
        {"escaped class number 0", CBytes().U16(0x7FFF).U32(0x80000000u), nullptr,
         CArchiveException::badIndex},
        {"unregistered name", CBytes().ClassRecord("CArchiveNobody", 1), nullptr,
         CArchiveException::badClass},
        {"unregistered name of 64 characters", CBytes().ClassRecord(longName, 1).U32(0), nullptr,
         CArchiveException::badClass},
        {"registered name of 64 characters", CBytes().ClassRecord(g_name64, 1), nullptr,
         CArchiveException::badClass},
        {"registered name of 63 characters", CBytes().ClassRecord(g_name63, 1), nullptr,
         CArchiveException::none},
        {"name differing in letter case", CBytes().ClassRecord("CARCHIVEPROBE", 2).U32(0), nullptr,
         CArchiveException::badClass},
        {"name with a trailing zero", CBytes().ClassRecord(std::string("CArchiveProbe\0", 14), 2),
         nullptr, CArchiveException::badClass},
        {"name cut short by the end", CBytes().U16(0xFFFF).U16(2).U16(13).Text("CArch"), nullptr,
         CArchiveException::badClass},
        {"the base class itself", CBytes().ClassRecord("CObject", 0xFFFF), nullptr,
         CArchiveException::badClass},
        {"class without factory", CBytes().ClassRecord("CArchiveAbstract", 1), nullptr,
         CArchiveException::badClass},
        {"other class than expected", CBytes().ClassRecord("CArchiveOther", 1), &g_probeClass,
         CArchiveException::badClass},
        {"base class where derived expected", probe, &g_probeDerivedClass,
         CArchiveException::badClass},
        {"known class tag after its record", CBytes().ClassRecord("CArchiveOther", 1).U16(0x8001),
         &g_otherClass, CArchiveException::none},
        {"newer schema, not versionable", CBytes().ClassRecord("CArchiveProbe", 3).U32(0), nullptr,
         CArchiveException::badSchema},
        {"older schema, not versionable", CBytes().ClassRecord("CArchiveProbe", 1).U32(0), nullptr,
         CArchiveException::badSchema},
        {"other schema, versionable", CBytes().ClassRecord("CArchiveVersioned", 9).U32(0), nullptr,
         CArchiveException::none},
        {"derived class where base expected",
         CBytes().ClassRecord("CArchiveProbeDerived", 1).U32(5).U8(2).Text("hi"), &g_probeClass,
         CArchiveException::none},
        {"end inside the tag", CBytes().U8(0xFF), nullptr, CArchiveException::endOfFile},
        {"end inside the escape", CBytes().U16(0x7FFF).U16(0), nullptr,
         CArchiveException::endOfFile},
        {"end inside the class record", CBytes().U16(0xFFFF).U8(2), nullptr,
         CArchiveException::endOfFile},
        {"end inside the fields", CBytes().ClassRecord("CArchiveProbe", 2).U16(0), nullptr,
         CArchiveException::endOfFile},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Cause cause = LoadCause(c.bytes, [&](CArchive& ar) {
            while (ar.GetRemaining() > 0) ar.ReadObject(c.expected);
        });
        EXPECT_EQ(cause, c.cause);
    }
}

// Every proper prefix of a valid stream fails: with endOfFile, except where the cut falls
// inside a class name, which is a damaged class record.
TEST(ArchiveFailureTest, EveryTruncationFails) {
    CArchiveNest nest;
    nest.m_children.push_back(std::make_unique<CArchiveVersioned>());
    const auto write = [&](CArchive& ar) {
        ar.WriteInt32(-7);
        ar.WriteString("abc");
        ar.WriteCount(70000);
        ar.WriteObject(CArchiveProbe(3));
        ar.WriteObject(CArchiveProbeDerived(4, "derived"));
        ar.WriteObject(CArchiveProbe(5));
        ar.WriteObject(nest);
        ar.WriteString(std::string(300, 'z'));
    };
    const auto read = [](CArchive& ar) {
        ASSERT_EQ(ar.ReadInt32(), -7);
        ASSERT_EQ(ar.ReadString(), "abc");
        ASSERT_EQ(ar.ReadCount(), 70000u);
        ar.ReadObject(&g_probeClass);
        ar.ReadObject(&g_probeDerivedClass);
        ar.ReadObject(&g_probeClass);
        ar.ReadObject(&g_nestClass);
        ASSERT_EQ(ar.ReadString(), std::string(300, 'z'));
    };
    const Bytes full = Store(write);
    ASSERT_EQ(LoadCause(full, read), CArchiveException::none);

    // Where the class names lie: after their uint16 length.
    std::vector<std::pair<std::size_t, std::size_t>> names;
    for (const std::string name :
         {"CArchiveProbe", "CArchiveProbeDerived", "CArchiveNest", "CArchiveVersioned"}) {
        const Bytes pattern = CBytes().U16(static_cast<std::uint16_t>(name.size())).Text(name);
        const auto at = std::search(full.begin(), full.end(), pattern.begin(), pattern.end());
        ASSERT_NE(at, full.end()) << name;
        const auto start = static_cast<std::size_t>(at - full.begin()) + 2;
        names.emplace_back(start, start + name.size());
    }
    for (std::size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        Cause expected = CArchiveException::endOfFile;
        for (const auto& [start, end] : names) {
            if (length >= start && length < end) expected = CArchiveException::badClass;
        }
        for (const std::size_t bufferSize : {std::size_t{16}, CArchive::kDefaultBufferSize}) {
            EXPECT_EQ(LoadCause(Prefix(full, length), read, bufferSize), expected);
        }
    }
}

TEST(ArchiveFailureTest, HugeLengthsFailBeforeAllocating) {
    const Bytes padding(100, 'p');
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"narrow, 1-byte prefix", CBytes().U8(200).Append(Prefix(padding, 10))},
        {"narrow, 3-byte prefix", CBytes().U8(0xFF).U16(0xFFFD).Append(padding)},
        {"narrow, 7-byte prefix", CBytes().U8(0xFF).U16(0xFFFF).U32(0xFFFFFFFFu).Append(padding)},
        {"wide, 1-byte length", CBytes().U8(0xFF).U16(0xFFFE).U8(40).Append(Prefix(padding, 79))},
        {"wide, 3-byte length", CBytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFE).Append(padding)},
        // 2 * 0x80000000 is 0 in 32 bits.
        {"wide, length 2^31",
         CBytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFF).U32(0x80000000u).Append(padding)},
        {"wide, length 2^32 - 1",
         CBytes().U8(0xFF).U16(0xFFFE).U8(0xFF).U16(0xFFFF).U32(0xFFFFFFFFu).Append(padding)},
    };
    CRecordingPlatform platform;
    platform.Install();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CMemoryFile file(c.bytes);
        CArchive ar(file, CArchive::load);
        CAllocationLimit probe;
        try {
            ar.ReadString();
            ADD_FAILURE() << "loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::endOfFile);
        }
        EXPECT_LT(probe.GetLargest(), 1024u);
    }
    EXPECT_TRUE(platform.m_wideSeen.empty());
}

// --- Wide strings ---

TEST(ArchiveWideStringTest, LoadsAsAnsiAndStoresAsOrdinaryString) {
    struct Case {
        const char* name;
        Bytes prefix;  // the marker and the second prefix
        std::u16string text;
        std::string ansi;  // as the fake platform converts it
    };
    const std::u16string long16(300, u'\u00E9');
    const std::u16string marker16(65534, u'w');
    const Case cases[] = {
        {"empty", {0xFF, 0xFE, 0xFF, 0x00}, u"", ""},
        {"1-byte length", {0xFF, 0xFE, 0xFF, 0x04}, u"A\u00E9\u20AC!", "A\xE9?!"},
        {"3-byte length", {0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}, long16, std::string(300, '\xE9')},
        // In the second prefix 0xFFFE is a length, not another marker.
        {"length 0xFFFE", {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF}, marker16, std::string(65534, 'w')},
        {"7-byte length",
         {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00},
         u"ok",
         "ok"},
    };
    CRecordingPlatform platform;
    platform.Install();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CBytes stream;
        stream.Append(c.prefix);
        for (const char16_t ch : c.text) stream.U16(ch);
        stream.U32(0xA5A5A5A5u);  // what follows must still be in step

        platform.m_wideSeen.clear();
        std::string loaded;
        EXPECT_EQ(LoadCause(stream,
                            [&](CArchive& ar) {
                                loaded = ar.ReadString();
                                EXPECT_EQ(ar.ReadUInt32(), 0xA5A5A5A5u);
                            }),
                  CArchiveException::none);
        EXPECT_EQ(loaded, c.ansi);
        ASSERT_EQ(platform.m_wideSeen.size(), 1u);
        EXPECT_EQ(platform.m_wideSeen[0], c.text);

        const Bytes rewritten = Store([&](CArchive& ar) { ar.WriteString(loaded); });
        EXPECT_EQ(rewritten, OrdinaryString(c.ansi));
    }
}

TEST(ArchiveWideStringTest, TruncatedCharactersFail) {
    CRecordingPlatform platform;
    platform.Install();
    const Bytes full = CBytes().U8(0xFF).U16(0xFFFE).U8(3).U16(u'a').U16(u'b').U16(u'c');
    for (std::size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        EXPECT_EQ(LoadCause(Prefix(full, length), [](CArchive& ar) { ar.ReadString(); }),
                  CArchiveException::endOfFile);
    }
    EXPECT_TRUE(platform.m_wideSeen.empty());
}

// --- The file layer ---

TEST(ArchiveFileErrorTest, ReadFailureIsAFileErrorNotTheEnd) {
    const Bytes bytes = Store([](CArchive& ar) {
        ar.WriteString(std::string(30, 's'));
        ar.WriteObject(CArchiveProbe(1));
        ar.WriteInt32(2);
    });
    for (std::size_t failAfter = 0; failAfter < bytes.size(); ++failAfter) {
        SCOPED_TRACE(failAfter);
        CMemoryFile file(bytes);
        file.FailReadAfter(failAfter);
        try {
            CArchive ar(file, CArchive::load, 16);
            ar.ReadString();
            ar.ReadObject(&g_probeClass);
            ar.ReadInt32();
            ADD_FAILURE() << "loaded";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::genericException);
        }
    }
}

TEST(ArchiveFileErrorTest, WriteFailureIsAFileError) {
    const auto write = [](CArchive& ar) {
        ar.WriteString(std::string(30, 's'));
        ar.WriteObject(CArchiveProbe(1));
        ar.WriteInt32(2);
    };
    const std::size_t total = Store(write).size();
    for (std::size_t failAfter = 0; failAfter < total; ++failAfter) {
        SCOPED_TRACE(failAfter);
        CMemoryFile file;
        file.FailWriteAfter(failAfter);
        try {
            CArchive ar(file, CArchive::store, 16);
            write(ar);
            ar.Close();
            ADD_FAILURE() << "stored";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.GetCause(), CArchiveException::genericException);
        }
    }
}

TEST(ArchiveFileErrorTest, UnknownLengthRefusesToLoad) {
    CMemoryFile file(Bytes(8, 0));
    file.FailQueries(true);
    try {
        CArchive ar(file, CArchive::load);
        ADD_FAILURE() << "opened";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.GetCause(), CArchiveException::genericException);
    }
}

// --- Closing ---

TEST(ArchiveCloseTest, CloseWritesTheBufferOnce) {
    CMemoryFile file;
    {
        CArchive ar(file, CArchive::store);
        ar.WriteInt32(1);
        EXPECT_TRUE(file.GetData().empty());  // still buffered
        ar.Close();
        EXPECT_EQ(file.GetData().size(), 4u);
        ar.Close();
        EXPECT_THROW(ar.WriteInt32(2), CArchiveException);
    }
    EXPECT_EQ(file.GetData().size(), 4u);
}

TEST(ArchiveCloseTest, UnclosedStoreDiscardsItsBufferQuietly) {
    CMemoryFile file;
    file.FailWriteAfter(0);
    {
        CArchive ar(file, CArchive::store);
        ar.WriteString("never written");
    }
    EXPECT_TRUE(file.GetData().empty());
}

TEST(ArchiveCloseTest, WrongDirectionIsRefused) {
    CMemoryFile file(Bytes(8, 0));
    CArchive loader(file, CArchive::load);
    EXPECT_THROW(loader.WriteInt32(1), CArchiveException);
    EXPECT_THROW(loader.WriteObject(CArchiveProbe()), CArchiveException);
    CArchive storer(file, CArchive::store);
    EXPECT_THROW(storer.ReadInt32(), CArchiveException);
}

// --- Messages ---

TEST(ArchiveExceptionTest, MessagesNameTheFile) {
    const struct {
        Cause cause;
        const char* message;
    } cases[] = {
        {CArchiveException::endOfFile, "An attempt was made to access ev.dat past its end."},
        {CArchiveException::badIndex, "ev.dat has a bad format."},
        {CArchiveException::badClass, "ev.dat contained an unexpected object."},
        {CArchiveException::badSchema, "ev.dat contains an incorrect schema."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CArchiveException(c.cause).GetErrorMessage("ev.dat"), c.message);
    }
    // The name is inserted as it is, even when it looks like a placeholder itself.
    EXPECT_EQ(CArchiveException(CArchiveException::badIndex).GetErrorMessage("%1"),
              "%1 has a bad format.");
    const std::string generic =
        CArchiveException(CArchiveException::genericException).GetErrorMessage("x.dat");
    EXPECT_NE(generic.find("x.dat"), std::string::npos);
    EXPECT_EQ(generic.find("%1"), std::string::npos);
}

}  // namespace
