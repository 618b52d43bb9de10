// The 46 properties of a calendar date entry, named after the feed keys: the carrier of
// properties from a feed section to an entry and from a feed entry to a stored entry.
// Texts are handles (CRecordText) into the store of the entry the properties belong to; a
// set of properties is only read or applied together with that store (see CDateEntry).
#pragma once

#include <cstdint>

#include "datetime/PackedDateTime.h"
#include "store/DateEntryCodes.h"
#include "store/RecordText.h"

// The one list of the properties, in stored and feed order. Each row is
//   X(name, type, default, feed form, first stored schema)
// name:   the member, the feed key and the label of the event dump.
// type:   also fixes the stored form: CRecordText a string, std::int32_t an int32,
//         CPackedDateTime (a CDateTime in 12 bytes) the 8 bytes of a date-time.
// default: what a new entry holds; {} is the empty text or the date-time 0001-01-01
//         00:00:00. CDateEntry's constructor replaces the GUID and the three dates
//         StartDate, EndDate and RepeatEndDate.
// feed form: how the feed writes the value: Text, Integer, Color ("red,green,blue",
//         stored as the Windows colour value 0x00BBGGRR) or DateTime.
// first stored schema: the lowest schema of the event file whose records hold the field.
//
// A new property is one row here (with CDateEntry::kSchema raised when it is stored):
// the record, Serialize, the event dump and the feed vocabulary all expand this list.
// clang-format off
#define ZF_DATE_ENTRY_PROPERTIES(X)                                      \
    X(GUID,               CRecordText,     {},   Text,     4)           \
    X(StorageType,        std::int32_t,    0,    Integer,  4)           \
    X(Category,           CRecordText,     {},   Text,     1)           \
    X(Description,        CRecordText,     {},   Text,     1)           \
    X(Notes,              CRecordText,     {},   Text,     1)           \
    X(Display,            std::int32_t,    0,    Integer,  1)           \
    X(BgColor,            std::int32_t,    224,  Color,    1)           \
    X(TextColor,          std::int32_t,    0,    Color,    2)           \
    X(Icon,               CRecordText,     {},   Text,     5)           \
    X(StartDate,          CPackedDateTime, {},   DateTime, 1)           \
    X(EndDate,            CPackedDateTime, {},   DateTime, 1)           \
    X(ShowStartTime,      std::int32_t,    1,    Integer,  1)           \
    X(ShowEnd,            std::int32_t,    1,    Integer,  1)           \
    X(Repeat,             std::int32_t,    0,    Integer,  1)           \
    X(RepeatRate,         std::int32_t,    0,    Integer,  1)           \
    X(RepeatUnit,         std::int32_t,    0,    Integer,  1)           \
    X(RepeatWeekdayCount, std::int32_t,    0,    Integer,  1)           \
    X(RepeatWeekday,      std::int32_t,    0,    Integer,  1)           \
    X(RepeatEnd,          std::int32_t,    0,    Integer,  1)           \
    X(RepeatEndCount,     std::int32_t,    1,    Integer,  1)           \
    X(RepeatEndDate,      CPackedDateTime, {},   DateTime, 1)           \
    X(CondTimeEnable,     std::int32_t,    0,    Integer,  6)           \
    X(CondStartTime,      CPackedDateTime, {},   DateTime, 6)           \
    X(CondEndTime,        CPackedDateTime, {},   DateTime, 6)           \
    X(CondWeekdays,       std::int32_t,    127,  Integer,  1)           \
    X(CondMonth,          std::int32_t,    4095, Integer,  1)           \
    X(Forewarn,           std::int32_t,    0,    Integer,  1)           \
    X(ForewarnSpan,       std::int32_t,    0,    Integer,  1)           \
    X(ForewarnUnit,       std::int32_t,    0,    Integer,  1)           \
    X(ForewarnSilent,     std::int32_t,    0,    Integer,  3)           \
    X(SnoozeSpan,         std::int32_t,    5,    Integer,  2)           \
    X(SnoozeUnit,         std::int32_t,    1,    Integer,  2)           \
    X(SnoozeType,         std::int32_t,    0,    Integer,  2)           \
    X(OverdueAction,      std::int32_t,    0,    Integer,  1)           \
    X(ExecuteSpan,        std::int32_t,    1,    Integer,  1)           \
    X(ExecuteUnit,        std::int32_t,    1,    Integer,  1)           \
    X(Action,             std::int32_t,    0,    Integer,  1)           \
    X(Sound,              std::int32_t,    0,    Integer,  1)           \
    X(SoundFile,          CRecordText,     {},   Text,     1)           \
    X(SoundRepeatEndless, std::int32_t,    1,    Integer,  3)           \
    X(SoundRepeatCount,   std::int32_t,    3,    Integer,  3)           \
    X(DocumentFile,       CRecordText,     {},   Text,     1)           \
    X(AckOpen,            std::int32_t,    0,    Integer,  1)           \
    X(CmdLine,            CRecordText,     {},   Text,     1)           \
    X(Parameter,          CRecordText,     {},   Text,     1)           \
    X(AckExecute,         std::int32_t,    0,    Integer,  1)
// clang-format on

// The members come in two groups, the texts (8-byte handles) first and then the 4-byte values
// in table order, so that no padding lies between them; nothing else follows the member order.
#define ZF_TEXT_OR_VALUE_Text(text, value) text
#define ZF_TEXT_OR_VALUE_Integer(text, value) value
#define ZF_TEXT_OR_VALUE_Color(text, value) value
#define ZF_TEXT_OR_VALUE_DateTime(text, value) value
struct DateEntryProperties {
#define ZF_DECLARE_TEXT(name, type, initial, form, firstSchema) \
    ZF_TEXT_OR_VALUE_##form(type name = initial;, )
#define ZF_DECLARE_VALUE(name, type, initial, form, firstSchema) \
    ZF_TEXT_OR_VALUE_##form(, type name = initial;)
    ZF_DATE_ENTRY_PROPERTIES(ZF_DECLARE_TEXT)
    ZF_DATE_ENTRY_PROPERTIES(ZF_DECLARE_VALUE)
#undef ZF_DECLARE_TEXT
#undef ZF_DECLARE_VALUE
};
