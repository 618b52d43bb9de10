// Hand-made event-file bytes for the store tests: a little-endian byte writer and the record
// layouts of every stored schema, written from the field tables independently of the
// records' own Serialize and of ZF_DATE_ENTRY_PROPERTIES, so that a property moved or given
// the wrong schema there shows as a byte difference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "datetime/DateTime.h"
#include "platform/MemoryFile.h"
#include "store/DateEntry.h"
#include "store/EventData.h"
#include "store/TodoEntry.h"

using Bytes = std::vector<std::uint8_t>;

class CByteWriter {
public:
    CByteWriter& Byte(std::uint8_t value) {
        m_data.push_back(value);
        return *this;
    }
    CByteWriter& UInt16(std::uint16_t value) {
        Byte(static_cast<std::uint8_t>(value));
        return Byte(static_cast<std::uint8_t>(value >> 8));
    }
    CByteWriter& UInt32(std::uint32_t value) {
        UInt16(static_cast<std::uint16_t>(value));
        return UInt16(static_cast<std::uint16_t>(value >> 16));
    }
    CByteWriter& Int32(std::int32_t value) { return UInt32(static_cast<std::uint32_t>(value)); }
    CByteWriter& Raw(const std::string& text) {
        m_data.insert(m_data.end(), text.begin(), text.end());
        return *this;
    }
    CByteWriter& Append(const Bytes& bytes) {
        m_data.insert(m_data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    // Length prefix of 1, 3 or 7 bytes, then the characters.
    CByteWriter& String(const std::string& text) {
        const std::size_t n = text.size();
        if (n < 255) {
            Byte(static_cast<std::uint8_t>(n));
        } else if (n < 0xFFFE) {
            Byte(0xFF).UInt16(static_cast<std::uint16_t>(n));
        } else {
            Byte(0xFF).UInt16(0xFFFF).UInt32(static_cast<std::uint32_t>(n));
        }
        return Raw(text);
    }
    CByteWriter& DateTime(const CDateTime& value) {
        return Int32(value.GetDayNumber()).Int32(value.GetSecondOfDay());
    }
    CByteWriter& Count(std::uint32_t n) {
        if (n < 0xFFFF) return UInt16(static_cast<std::uint16_t>(n));
        return UInt16(0xFFFF).UInt32(n);
    }
    template <class TList>
    CByteWriter& DateTimeList(const TList& list) {
        Count(static_cast<std::uint32_t>(list.GetSize()));
        for (const CDateTime& value : list) DateTime(value);
        return *this;
    }
    // Tag 0xFFFF and the class record.
    CByteWriter& NewClass(std::uint16_t schema, const std::string& name) {
        UInt16(0xFFFF).UInt16(schema).UInt16(static_cast<std::uint16_t>(name.size()));
        return Raw(name);
    }

    const Bytes& Data() const { return m_data; }
    std::size_t Size() const { return m_data.size(); }

private:
    Bytes m_data;
};

// The fields of a date entry as a calendar of stored schema `schema` wrote them. Each
// field is written when `schema` is at least the schema that introduced it.
inline void WriteDateEntryFields(CByteWriter& w, const CDateEntry& e, int schema) {
    const DateEntryProperties& p = e.Properties;
    enum EKind { kInt, kString, kDate };
    struct SField {
        int fromSchema;
        EKind kind;
        const std::int32_t* number;
        const CRecordText* text;
        const CPackedDateTime* date;
    };
    auto I = [](int from, const std::int32_t& v) {
        return SField{from, kInt, &v, nullptr, nullptr};
    };
    auto S = [](int from, const CRecordText& v) {
        return SField{from, kString, nullptr, &v, nullptr};
    };
    auto D = [](int from, const CPackedDateTime& v) {
        return SField{from, kDate, nullptr, nullptr, &v};
    };
    const SField fields[] = {
        S(4, p.GUID),
        I(4, p.StorageType),
        S(1, p.Category),
        S(1, p.Description),
        S(1, p.Notes),
        I(1, p.Display),
        I(1, p.BgColor),
        I(2, p.TextColor),
        S(5, p.Icon),
        D(1, p.StartDate),
        D(1, p.EndDate),
        I(1, p.ShowStartTime),
        I(1, p.ShowEnd),
        I(1, p.Repeat),
        I(1, p.RepeatRate),
        I(1, p.RepeatUnit),
        I(1, p.RepeatWeekdayCount),
        I(1, p.RepeatWeekday),
        I(1, p.RepeatEnd),
        I(1, p.RepeatEndCount),
        D(1, p.RepeatEndDate),
        I(6, p.CondTimeEnable),
        D(6, p.CondStartTime),
        D(6, p.CondEndTime),
        I(1, p.CondWeekdays),
        I(1, p.CondMonth),
        I(1, p.Forewarn),
        I(1, p.ForewarnSpan),
        I(1, p.ForewarnUnit),
        I(3, p.ForewarnSilent),
        I(2, p.SnoozeSpan),
        I(2, p.SnoozeUnit),
        I(2, p.SnoozeType),
        I(1, p.OverdueAction),
        I(1, p.ExecuteSpan),
        I(1, p.ExecuteUnit),
        I(1, p.Action),
        I(1, p.Sound),
        S(1, p.SoundFile),
        I(3, p.SoundRepeatEndless),
        I(3, p.SoundRepeatCount),
        S(1, p.DocumentFile),
        I(1, p.AckOpen),
        S(1, p.CmdLine),
        S(1, p.Parameter),
        I(1, p.AckExecute),
        D(1, e.LastCheckTime),
        D(1, e.SeriesEnd),
        I(1, e.SeriesEndKnown),
        I(1, e.Spare),
    };
    for (const SField& f : fields) {
        if (schema < f.fromSchema) continue;
        if (f.kind == kInt) w.Int32(*f.number);
        if (f.kind == kString) w.String(f.text->ToString());
        if (f.kind == kDate) w.DateTime(*f.date);
    }
    w.DateTimeList(e.DueOccurrences);
    w.DateTimeList(e.AcknowledgedOccurrences);
    w.DateTimeList(e.SnoozedOccurrences);
    w.DateTimeList(e.SnoozeUntil);
    w.DateTimeList(e.DroppedOccurrences);
}

// The fields of a to-do entry in the layout of stored schema `schema`.
inline void WriteTodoFields(CByteWriter& w, const CTodoEntry& t, int schema) {
    if (schema > 1) w.String(t.GUID).Int32(t.Value1);
    w.String(t.Text1).String(t.Text2).String(t.Text3);
    if (schema > 2) w.Int32(t.Value2).Int32(t.Value3).Int32(t.Value4).Int32(t.Value5);
    w.DateTime(t.Date1);
    w.Int32(t.Value6).Int32(t.Value7).Int32(t.Value8).Int32(t.Value9);
    w.Int32(t.Value10).Int32(t.Value11).Int32(t.Value12);
    w.String(t.Text4).Int32(t.Value13).DateTime(t.Date2);
}

// A whole event file written by hand from `data`: every date entry stored with
// `dateSchema`, every to-do entry with `todoSchema`, class and object numbers running across
// the three lists.
inline Bytes BuildEventFile(const CEventData& data, int dateSchema = 6, int todoSchema = 3) {
    CByteWriter w;
    std::uint32_t nextNumber = 1;
    auto tag = [&](std::uint32_t& classNumber, int schema, const std::string& name) {
        if (classNumber == 0) {
            w.NewClass(static_cast<std::uint16_t>(schema), name);
            classNumber = nextNumber++;
        } else if (classNumber < 0x7FFF) {
            w.UInt16(static_cast<std::uint16_t>(0x8000 + classNumber));
        } else {
            w.UInt16(0x7FFF).UInt32(0x80000000u + classNumber);
        }
        ++nextNumber;
    };
    std::uint32_t dateClass = 0;
    std::uint32_t todoClass = 0;
    w.Int32(data.HeaderNumber);
    for (const CDateEntryArray* list : {&data.DateEntries1, &data.DateEntries2}) {
        w.Int32(list->GetSize());
        for (const CDateEntry& entry : *list) {
            tag(dateClass, dateSchema, "CDateEntry");
            WriteDateEntryFields(w, entry, dateSchema);
        }
    }
    w.Int32(data.TodoEntries.GetSize());
    for (const CTodoEntry& todo : data.TodoEntries) {
        tag(todoClass, todoSchema, "CTodoEntry");
        WriteTodoFields(w, todo, todoSchema);
    }
    return w.Data();
}

// Loads `bytes` as a whole event file. Returns the cause of the CArchiveException, or 0
// when the load succeeded.
inline int LoadEventBytes(const Bytes& bytes, CEventData& data) {
    CMemoryFile file(bytes);
    try {
        CArchive ar(file, CArchive::load);
        data.Load(ar);
    } catch (const CArchiveException& e) {
        return e.GetCause();
    }
    return 0;
}

inline Bytes SaveEventBytes(const CEventData& data) {
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    data.Save(ar);
    return file.GetData();
}

// Reads one object of `expected` from `bytes`; returns the cause, or 0 on success.
inline int ReadObjectBytes(const Bytes& bytes, const CRuntimeClass* expected,
                           std::unique_ptr<CObject>& object) {
    CMemoryFile file(bytes);
    try {
        CArchive ar(file, CArchive::load);
        object = ar.ReadObject(expected);
    } catch (const CArchiveException& e) {
        return e.GetCause();
    }
    return 0;
}

// The bytes of `object` written as the first object of a stream (class record included).
inline Bytes WriteObjectBytes(const CObject& object) {
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    ar.WriteObject(object);
    ar.Close();
    return file.GetData();
}

// The bytes of a record's fields alone.
inline Bytes SerializeBytes(CObject& object) {
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    object.Serialize(ar);
    ar.Close();
    return file.GetData();
}
