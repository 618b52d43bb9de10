// The binary stream of the calendar's event file: buffered primitives, object tags and
// class records.
//
// Byte layout (all integers little-endian, no padding):
//   int32          4 bytes, two's complement
//   uint16/byte    2 / 1 bytes
//   string         length prefix, then the characters (ANSI code page, no terminator):
//                    n <= 254: byte n;  n <= 65533: 0xFF, uint16 n;
//                    otherwise: 0xFF, uint16 0xFFFF, uint32 n.
//                  When reading, 0xFF followed by uint16 0xFFFE marks a wide string: a second
//                  complete prefix follows, then 2*n bytes of UTF-16LE (converted to ANSI).
//   list count     uint16 n when n < 0xFFFF, else uint16 0xFFFF then uint32 n
//   object         tag, [class record], the record's fields
//     tag 0xFFFF           new class: uint16 schema, uint16 name length L, L name bytes
//     tag 0x8000 + k       object of already numbered class k (k < 0x7FFF)
//     tag 0x7FFF, uint32   escape: 0x80000000 + k for class k, else an object number
//     tag k (1..0x7FFE)    reference to object k;  tag 0: no object
//   Classes and objects share one numbering from 1, in order of first appearance.
//
// Values pass through the archive's buffer (4096 bytes unless the caller asks otherwise);
// beneath it, the file is read and written in blocks of kFileBlockSize, so that a large file
// costs few calls to the file layer. Where the block holds the bytes the buffer would hold,
// the buffer is a window of the same size onto the block instead of a copy: a value that
// straddles two blocks passes through the buffer's own bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveException.h"

class CFile;
class CObject;
struct CRuntimeClass;

class CArchive {
public:
    enum EMode { load, store };
    static constexpr std::size_t kDefaultBufferSize = 4096;
    static constexpr std::size_t kFileBlockSize = 256 * 1024;

    // REQUIRES: `file` is open for reading (load) or writing (store) and outlives the
    // archive. Loading reads from the file's current position to its end; the length of that
    // rest is taken once, here. `bufferSize` below 16 is raised to 16. Throws
    // genericException when a loading archive cannot learn the file's length or position.
    CArchive(CFile& file, EMode mode, std::size_t bufferSize = kDefaultBufferSize);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    // Never throws; an unclosed storing archive discards what it has not yet written (call
    // Close()).
    ~CArchive();

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }

    // Loading primitives throw CArchiveException: endOfFile when the stream ends inside the
    // value, genericException when the file layer fails. Storing primitives throw
    // genericException when the file layer fails. Both throw genericException when used in
    // the other direction or after Close(). A string's length is checked against
    // GetRemaining() before its characters are allocated; a wide string is converted with
    // CPlatform::Current().WideToAnsi.
    void Read(void* buffer, std::size_t count);
    void Write(const void* buffer, std::size_t count);
    std::int32_t ReadInt32();
    void WriteInt32(std::int32_t value);
    std::uint32_t ReadUInt32();
    void WriteUInt32(std::uint32_t value);
    std::uint16_t ReadUInt16();
    void WriteUInt16(std::uint16_t value);
    std::uint8_t ReadByte();
    void WriteByte(std::uint8_t value);
    std::string ReadString();
    // The same string as ReadString, as a view: into the archive's buffer when the whole
    // string is there, else into `scratch`. Valid until the next call on the archive or on
    // `scratch`.
    std::string_view ReadStringView(std::string& scratch);
    void WriteString(std::string_view value);
    std::uint32_t ReadCount();
    void WriteCount(std::uint32_t count);

    // Bytes still readable from the stream (buffer plus the rest of the file; 0 when storing).
    // Used to refuse counts that the rest of the file cannot hold before anything is
    // allocated.
    std::uint64_t GetRemaining() const;
    // Throws endOfFile unless at least `bytes` bytes remain.
    void RequireRemaining(std::uint64_t bytes) const;

    // Writes the tag (and the class record on first use of the class), numbers the object,
    // then calls its Serialize in storing mode.
    void WriteObject(const CObject& object);
    // Reads an object of `expectedClass` (or a class derived from it; nullptr accepts any
    // class); the caller owns it. Throws badIndex, badClass, badSchema, endOfFile as the tag
    // demands. Object references and "no object" tags are refused with badIndex, and so is a
    // class tag whose number belongs to an object. A class record whose name is longer than
    // 63 characters, is cut short by the end of the stream or names no registered class, and
    // a class without a factory, throw badClass; a non-versionable class stored with another schema
    // throws badSchema. Numbers reaching 0x3FFFFFFE throw badIndex (as does WriteObject).
    std::unique_ptr<CObject> ReadObject(const CRuntimeClass* expectedClass);
    // ReadObject in two steps, for a caller that keeps its objects in place: ReadClass reads
    // the tag and the class record and returns the class, with the same checks and throws
    // as ReadObject; LoadObject then loads `object`, which the caller made of that class,
    // as ReadObject loads the object it creates. REQUIRES: each ReadClass is followed by
    // exactly one LoadObject before the next ReadClass.
    const CRuntimeClass* ReadClass(const CRuntimeClass* expectedClass);
    void LoadObject(CObject& object);
    // The stored schema of the object being loaded; reading it resets it to -1.
    int GetObjectSchema();

    // Writes out a storing archive's buffer and block; the file stays open. Later calls do
    // nothing; the archive reads and writes no more.
    void Close();

private:
    friend class CArchiveTestPeer;  // tests move the numbering close to its limit

    // The out-of-line paths behind the inline primitives: they refill or flush the buffer
    // and raise every error.
    void ReadSlow(void* buffer, std::size_t count);
    void WriteSlow(const void* buffer, std::size_t count);
    std::uint32_t ReadUInt32Slow();
    std::uint16_t ReadUInt16Slow();
    std::uint8_t ReadByteSlow();
    void FillBuffer(std::size_t needed);
    // FillBuffer without copying: the buffer becomes a window onto the block where the block
    // holds `needed` bytes from the first unread one on (reading the next block when the
    // buffer and the block are both used up). False when it cannot.
    bool FillWindow(std::size_t needed);
    void FlushBuffer();
    // Storing: the buffer becomes a window onto the free rest of the block.
    void OpenWriteWindow();
    // The file through the block: reads up to `count` bytes (`read` = 0 at the end of the
    // file) and writes bytes, false when the file layer fails. A transfer of at least a whole
    // block while the block is empty goes straight to the file.
    bool ReadFromFile(std::uint8_t* buffer, std::size_t count, std::size_t& read);
    bool WriteToFile(const std::uint8_t* buffer, std::size_t count);
    bool FlushBlock();
    std::uint32_t NextNumber();

    // True when `count` (> 0) more bytes can be read from / written to the buffer without a
    // refill or flush. Both limits are 0 in the direction the archive does not serve and
    // after Close(), so that such calls take the out-of-line paths, which refuse them.
    bool CanRead(std::size_t count) const {
        return count <= m_readLimit && m_pos <= m_readLimit - count;
    }
    bool CanWrite(std::size_t count) const {
        return count <= m_writeLimit && m_pos <= m_writeLimit - count;
    }

    static std::uint32_t DecodeUInt32(const std::uint8_t* p) {
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }
    static void EncodeUInt32(std::uint8_t* p, std::uint32_t value) {
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
        p[3] = static_cast<std::uint8_t>(value >> 24);
    }

    CFile& m_file;
    EMode m_mode;
    std::vector<std::uint8_t> m_buffer;
    // The bytes the buffer holds: m_buffer's own, or a window of at most as many onto m_block.
    std::uint8_t* m_data = nullptr;
    std::size_t m_pos = 0;  // next byte in the buffer (load) / bytes held (store)
    std::size_t m_end = 0;  // bytes valid in the buffer (load)
    // m_end while loading and open, the buffer size while storing and open, else 0; m_pos
    // never exceeds the limit of the archive's own direction.
    std::size_t m_readLimit = 0;
    std::size_t m_writeLimit = 0;
    // Bytes of the file not yet in the buffer (load), counting those in the block.
    std::uint64_t m_fileRemaining = 0;
    bool m_closed = false;
    // Allocated at its first use, m_blockSize bytes: kFileBlockSize, or less when loading a
    // shorter file. Load: bytes m_blockPos..m_blockEnd are read from the file but not yet
    // passed to the buffer. Store: bytes 0..m_blockEnd are not yet written (a window of the
    // buffer starts at m_blockEnd).
    std::unique_ptr<std::uint8_t[]> m_block;
    std::size_t m_blockSize = kFileBlockSize;
    std::size_t m_blockPos = 0;
    std::size_t m_blockEnd = 0;

    // A class record met while loading: the class and the schema that the record stored.
    struct SLoadedClass {
        const CRuntimeClass* m_pClass;
        unsigned int m_nStoredSchema;
    };

    // Numbering shared by classes and objects. Only class numbers are remembered (objects
    // are never referred to again), so memory grows with the class records, not the objects.
    // Loading: class number -> class record. Storing: class -> number.
    std::map<std::uint32_t, SLoadedClass> m_loadedClasses;
    std::map<const CRuntimeClass*, std::uint32_t> m_storedClasses;
    std::uint32_t m_nextNumber = 1;
    int m_objectSchema = -1;
    // The stored schema of the class that the last ReadClass returned.
    unsigned int m_readClassSchema = 0;
};

inline void CArchive::Read(void* buffer, std::size_t count) {
    if (count == 0 || !CanRead(count)) return ReadSlow(buffer, count);
    std::memcpy(buffer, m_data + m_pos, count);
    m_pos += count;
}

inline void CArchive::Write(const void* buffer, std::size_t count) {
    if (count == 0 || !CanWrite(count)) return WriteSlow(buffer, count);
    std::memcpy(m_data + m_pos, buffer, count);
    m_pos += count;
}

inline std::uint32_t CArchive::ReadUInt32() {
    if (!CanRead(4)) return ReadUInt32Slow();
    const std::uint32_t value = DecodeUInt32(m_data + m_pos);
    m_pos += 4;
    return value;
}

inline void CArchive::WriteUInt32(std::uint32_t value) {
    if (!CanWrite(4)) {
        std::uint8_t bytes[4];
        EncodeUInt32(bytes, value);
        return WriteSlow(bytes, sizeof bytes);
    }
    EncodeUInt32(m_data + m_pos, value);
    m_pos += 4;
}

inline std::int32_t CArchive::ReadInt32() {
    return static_cast<std::int32_t>(ReadUInt32());
}

inline void CArchive::WriteInt32(std::int32_t value) {
    WriteUInt32(static_cast<std::uint32_t>(value));
}

inline std::uint16_t CArchive::ReadUInt16() {
    if (!CanRead(2)) return ReadUInt16Slow();
    const std::uint8_t* p = m_data + m_pos;
    m_pos += 2;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline void CArchive::WriteUInt16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value),
                                   static_cast<std::uint8_t>(value >> 8)};
    Write(bytes, sizeof bytes);
}

inline std::uint8_t CArchive::ReadByte() {
    if (!CanRead(1)) return ReadByteSlow();
    return m_data[m_pos++];
}

inline void CArchive::WriteByte(std::uint8_t value) {
    Write(&value, 1);
}
