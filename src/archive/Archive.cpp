#include "archive/Archive.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "archive/Object.h"
#include "platform/File.h"
#include "platform/Platform.h"

namespace {

constexpr std::size_t kMinBufferSize = 16;
constexpr std::uint32_t kNumberLimit = 0x3FFFFFFE;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTagBit = 0x8000;
constexpr std::uint16_t kEscapeTag = 0x7FFF;
constexpr std::uint32_t kEscapedClassBit = 0x80000000;
constexpr std::uint16_t kWideStringMarker = 0xFFFE;
constexpr std::size_t kMaxClassNameLength = 63;

[[noreturn]] void Throw(CArchiveException::ECause cause) {
    throw CArchiveException(cause);
}

// Restores the schema of the enclosing object when a nested load ends, also by an exception.
class CSchemaScope {
public:
    CSchemaScope(int& slot, int schema) : m_slot(slot), m_saved(slot) { m_slot = schema; }
    CSchemaScope(const CSchemaScope&) = delete;
    CSchemaScope& operator=(const CSchemaScope&) = delete;
    ~CSchemaScope() { m_slot = m_saved; }

private:
    int& m_slot;
    int m_saved;
};

}  // namespace

CArchive::CArchive(CFile& file, EMode mode, std::size_t bufferSize)
    : m_file(file),
      m_mode(mode),
      m_buffer(std::max(bufferSize, kMinBufferSize)),
      m_data(m_buffer.data()) {
    if (m_mode == load) {
        std::uint64_t length = 0;
        std::uint64_t position = 0;
        if (!m_file.GetLength(length) || !m_file.GetPosition(position)) {
            Throw(CArchiveException::genericException);
        }
        m_fileRemaining = length > position ? length - position : 0;
        m_blockSize =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_fileRemaining, kFileBlockSize));
    } else {
        m_writeLimit = m_buffer.size();
    }
}

CArchive::~CArchive() = default;

std::uint64_t CArchive::GetRemaining() const {
    if (m_mode != load) return 0;
    return static_cast<std::uint64_t>(m_end - m_pos) + m_fileRemaining;
}

void CArchive::RequireRemaining(std::uint64_t bytes) const {
    if (GetRemaining() < bytes) Throw(CArchiveException::endOfFile);
}

bool CArchive::FillWindow(std::size_t needed) {
    const std::size_t held = m_end - m_pos;
    const bool windowEndsAtBlock =
        m_block && m_data != m_buffer.data() && m_data + m_end == m_block.get() + m_blockPos;
    if (held != 0 && !windowEndsAtBlock) return false;
    if (held == 0 && m_blockPos == m_blockEnd && m_fileRemaining > 0) {
        if (!m_block) m_block = std::make_unique_for_overwrite<std::uint8_t[]>(m_blockSize);
        m_blockPos = 0;
        m_blockEnd = 0;
        if (!m_file.Read(m_block.get(), m_blockSize, m_blockEnd)) {
            Throw(CArchiveException::genericException);
        }
    }
    const std::size_t inBlock = m_blockEnd - m_blockPos;
    if (!m_block || held + inBlock < needed) return false;
    const std::size_t taken = std::min(m_buffer.size(), held + inBlock) - held;
    m_data = m_block.get() + m_blockPos - held;
    m_blockPos += taken;
    m_pos = 0;
    m_end = held + taken;
    m_readLimit = m_end;
    m_fileRemaining -= std::min<std::uint64_t>(m_fileRemaining, taken);
    return true;
}

void CArchive::FillBuffer(std::size_t needed) {
    if (m_mode != load || m_closed) Throw(CArchiveException::genericException);
    if (m_end - m_pos >= needed) return;
    if (FillWindow(needed)) return;
    const std::size_t held = m_end - m_pos;
    std::memmove(m_buffer.data(), m_data + m_pos, held);
    m_data = m_buffer.data();
    m_pos = 0;
    m_end = held;
    m_readLimit = m_end;
    while (m_end < m_buffer.size()) {
        std::size_t read = 0;
        if (!ReadFromFile(m_buffer.data() + m_end, m_buffer.size() - m_end, read)) {
            Throw(CArchiveException::genericException);
        }
        if (read == 0) break;
        m_end += read;
        m_readLimit = m_end;
        m_fileRemaining -= std::min<std::uint64_t>(m_fileRemaining, read);
    }
    if (m_end < needed) {
        // The file ended before its reported length: nothing more will come.
        m_fileRemaining = 0;
        Throw(CArchiveException::endOfFile);
    }
}

void CArchive::FlushBuffer() {
    if (m_pos == 0) return;
    const std::size_t held = m_pos;
    m_pos = 0;
    if (m_data == m_buffer.data()) {
        if (!WriteToFile(m_buffer.data(), held)) Throw(CArchiveException::genericException);
    } else {
        m_blockEnd += held;
        if (m_blockEnd == m_blockSize && !FlushBlock()) {
            Throw(CArchiveException::genericException);
        }
    }
    if (!m_closed) OpenWriteWindow();
}

void CArchive::OpenWriteWindow() {
    if (!m_block) m_block = std::make_unique_for_overwrite<std::uint8_t[]>(m_blockSize);
    if (m_blockEnd == m_blockSize && !FlushBlock()) Throw(CArchiveException::genericException);
    m_data = m_block.get() + m_blockEnd;
    m_writeLimit = std::min(m_buffer.size(), m_blockSize - m_blockEnd);
}

bool CArchive::ReadFromFile(std::uint8_t* buffer, std::size_t count, std::size_t& read) {
    if (m_blockPos == m_blockEnd) {
        if (count >= m_blockSize) return m_file.Read(buffer, count, read);
        if (!m_block) m_block = std::make_unique_for_overwrite<std::uint8_t[]>(m_blockSize);
        m_blockPos = 0;
        m_blockEnd = 0;
        if (!m_file.Read(m_block.get(), m_blockSize, m_blockEnd)) return false;
    }
    read = std::min(count, m_blockEnd - m_blockPos);
    std::memcpy(buffer, m_block.get() + m_blockPos, read);
    m_blockPos += read;
    return true;
}

bool CArchive::WriteToFile(const std::uint8_t* buffer, std::size_t count) {
    if (m_blockEnd == 0 && count >= m_blockSize) return m_file.Write(buffer, count);
    if (!m_block) m_block = std::make_unique_for_overwrite<std::uint8_t[]>(m_blockSize);
    while (count > 0) {
        if (m_blockEnd == m_blockSize && !FlushBlock()) return false;
        const std::size_t chunk = std::min(count, m_blockSize - m_blockEnd);
        std::memcpy(m_block.get() + m_blockEnd, buffer, chunk);
        m_blockEnd += chunk;
        buffer += chunk;
        count -= chunk;
    }
    return true;
}

bool CArchive::FlushBlock() {
    const std::size_t held = m_blockEnd;
    m_blockEnd = 0;
    return held == 0 || m_file.Write(m_block.get(), held);
}

void CArchive::ReadSlow(void* buffer, std::size_t count) {
    if (m_mode != load || m_closed) Throw(CArchiveException::genericException);
    RequireRemaining(count);
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        if (m_pos == m_end) FillBuffer(std::min(count, m_buffer.size()));
        const std::size_t chunk = std::min(count, m_end - m_pos);
        std::memcpy(out, m_data + m_pos, chunk);
        m_pos += chunk;
        out += chunk;
        count -= chunk;
    }
}

void CArchive::WriteSlow(const void* buffer, std::size_t count) {
    if (m_mode != store || m_closed) Throw(CArchiveException::genericException);
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        if (m_pos == m_writeLimit) FlushBuffer();
        const std::size_t chunk = std::min(count, m_writeLimit - m_pos);
        std::memcpy(m_data + m_pos, in, chunk);
        m_pos += chunk;
        in += chunk;
        count -= chunk;
    }
}

std::uint32_t CArchive::ReadUInt32Slow() {
    FillBuffer(4);
    const std::uint32_t value = DecodeUInt32(m_data + m_pos);
    m_pos += 4;
    return value;
}

std::uint16_t CArchive::ReadUInt16Slow() {
    FillBuffer(2);
    const std::uint8_t* p = m_data + m_pos;
    m_pos += 2;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint8_t CArchive::ReadByteSlow() {
    FillBuffer(1);
    return m_data[m_pos++];
}

std::string CArchive::ReadString() {
    std::string scratch;
    const std::string_view text = ReadStringView(scratch);
    if (text.data() == scratch.data()) return scratch;
    return std::string(text);
}

std::string_view CArchive::ReadStringView(std::string& scratch) {
    bool wide = false;
    std::uint32_t length = ReadByte();
    // ReadByte succeeded, so the archive is loading and m_pos <= m_readLimit.
    if (length < 0xFF && length <= m_readLimit - m_pos) {
        // A short string wholly in the buffer is taken straight from it.
        const char* text = reinterpret_cast<const char*>(m_data + m_pos);
        m_pos += length;
        return {text, length};
    }
    if (length == 0xFF) {
        length = ReadUInt16();
        if (length == kWideStringMarker) {
            // The marker is followed by a second, plain prefix: a 0xFFFE there is a length.
            wide = true;
            length = ReadByte();
            if (length == 0xFF) length = ReadUInt16();
        }
        if (length == 0xFFFF) length = ReadUInt32();
    }
    if (!wide) {
        if (CanRead(length)) {
            const char* text = reinterpret_cast<const char*>(m_data + m_pos);
            m_pos += length;
            return {text, length};
        }
        RequireRemaining(length);
        scratch.assign(length, '\0');
        Read(scratch.data(), length);
        return scratch;
    }
    RequireRemaining(2 * static_cast<std::uint64_t>(length));
    std::u16string text(length, u'\0');
    for (char16_t& c : text) c = ReadUInt16();
    scratch = CPlatform::Current().WideToAnsi(text);
    return scratch;
}

void CArchive::WriteString(std::string_view value) {
    const auto length = static_cast<std::uint32_t>(value.size());
    if (length < 0xFF && CanWrite(length + 1)) {
        std::uint8_t* out = m_data + m_pos;
        out[0] = static_cast<std::uint8_t>(length);
        if (length != 0) std::memcpy(out + 1, value.data(), length);
        m_pos += length + 1;
        return;
    }
    if (length < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else if (length < kWideStringMarker) {
        WriteByte(0xFF);
        WriteUInt16(static_cast<std::uint16_t>(length));
    } else {
        WriteByte(0xFF);
        WriteUInt16(0xFFFF);
        WriteUInt32(length);
    }
    Write(value.data(), length);
}

std::uint32_t CArchive::ReadCount() {
    const std::uint16_t count = ReadUInt16();
    if (count != 0xFFFF) return count;
    return ReadUInt32();
}

void CArchive::WriteCount(std::uint32_t count) {
    if (count < 0xFFFF) {
        WriteUInt16(static_cast<std::uint16_t>(count));
    } else {
        WriteUInt16(0xFFFF);
        WriteUInt32(count);
    }
}

std::uint32_t CArchive::NextNumber() {
    if (m_nextNumber >= kNumberLimit) Throw(CArchiveException::badIndex);
    return m_nextNumber++;
}

void CArchive::WriteObject(const CObject& object) {
    if (m_mode != store || m_closed) Throw(CArchiveException::genericException);
    const CRuntimeClass* cls = object.GetRuntimeClass();
    const auto known = m_storedClasses.find(cls);
    if (known == m_storedClasses.end()) {
        const std::uint32_t number = NextNumber();
        const std::size_t nameLength = std::strlen(cls->m_lpszClassName);
        WriteUInt16(kNewClassTag);
        WriteUInt16(static_cast<std::uint16_t>(cls->m_nSchema));
        WriteUInt16(static_cast<std::uint16_t>(nameLength));
        Write(cls->m_lpszClassName, nameLength);
        m_storedClasses.emplace(cls, number);
    } else if (known->second < kEscapeTag) {
        WriteUInt16(static_cast<std::uint16_t>(kClassTagBit | known->second));
    } else {
        WriteUInt16(kEscapeTag);
        WriteUInt32(kEscapedClassBit | known->second);
    }
    NextNumber();
    // Serialize is shared by both directions and so cannot be const; storing only reads.
    const_cast<CObject&>(object).Serialize(*this);
}

std::unique_ptr<CObject> CArchive::ReadObject(const CRuntimeClass* expectedClass) {
    const CRuntimeClass* cls = ReadClass(expectedClass);
    std::unique_ptr<CObject> object = cls->CreateObject();
    if (!object) Throw(CArchiveException::badClass);
    LoadObject(*object);
    return object;
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* expectedClass) {
    const std::uint16_t word = ReadUInt16();
    std::uint32_t tag = 0;
    if (word == kEscapeTag) {
        tag = ReadUInt32();
    } else {
        tag = word & 0x7FFFu;
        if ((word & kClassTagBit) != 0) tag |= kEscapedClassBit;
    }
    // Object references and "no object" never come from this system's writer; honouring them
    // would hand out an object that its first owner may already have destroyed.
    if ((tag & kEscapedClassBit) == 0) Throw(CArchiveException::badIndex);

    const CRuntimeClass* cls = nullptr;
    unsigned int storedSchema = 0;
    if (word == kNewClassTag) {
        const std::uint16_t schema = ReadUInt16();
        const std::uint16_t nameLength = ReadUInt16();
        if (nameLength > kMaxClassNameLength || GetRemaining() < nameLength) {
            Throw(CArchiveException::badClass);
        }
        std::string name(nameLength, '\0');
        Read(name.data(), nameLength);
        cls = CRuntimeClass::FromName(name);
        if (cls == nullptr) Throw(CArchiveException::badClass);
        if (cls->m_nSchema != schema && !cls->m_bVersionable) {
            Throw(CArchiveException::badSchema);
        }
        storedSchema = schema;
        m_loadedClasses.emplace(NextNumber(), SLoadedClass{cls, schema});
    } else {
        // A number that names an object rather than a class is as bad as one never given.
        const auto known = m_loadedClasses.find(tag & ~kEscapedClassBit);
        if (known == m_loadedClasses.end()) Throw(CArchiveException::badIndex);
        cls = known->second.m_pClass;
        storedSchema = known->second.m_nStoredSchema;
    }
    if (expectedClass != nullptr && !cls->IsDerivedFrom(expectedClass)) {
        Throw(CArchiveException::badClass);
    }
    m_readClassSchema = storedSchema;
    return cls;
}

void CArchive::LoadObject(CObject& object) {
    NextNumber();
    CSchemaScope scope(m_objectSchema, static_cast<int>(m_readClassSchema));
    object.Serialize(*this);
}

int CArchive::GetObjectSchema() {
    const int schema = m_objectSchema;
    m_objectSchema = -1;
    return schema;
}

void CArchive::Close() {
    if (m_closed) return;
    m_closed = true;
    m_readLimit = 0;
    m_writeLimit = 0;
    if (m_mode != store) return;
    FlushBuffer();
    if (!FlushBlock()) Throw(CArchiveException::genericException);
}
