// Names for the stored codes of a date entry's properties that this program acts on.
//
// The properties are plain int32 fields, and a feed may deliver any number in them, so the
// codes are unscoped enumerators that compare with those fields directly; a value outside a
// list is possible, and each user of a code says what it makes of one.
#pragma once

#include <cstdint>

// `Repeat`: how the entry repeats.
enum ERepeat : std::int32_t {
    kRepeatNone = 0,           // a single occurrence
    kRepeatEvery = 1,          // every `RepeatRate` `RepeatUnit`s
    kRepeatMonthlyWeekday = 2  // the `RepeatWeekdayCount`-th `RepeatWeekday` of every month
};

// `RepeatUnit`, for kRepeatEvery.
enum ERepeatUnit : std::int32_t {
    kRepeatUnitHours = 1,
    kRepeatUnitDays = 2,   // 24 hours
    kRepeatUnitWeeks = 3,  // 168 hours
    kRepeatUnitMonths = 4,
    kRepeatUnitYears = 5  // 12 months
};

// `RepeatWeekdayCount`, for kRepeatMonthlyWeekday: 0 the first .. 4 the fifth, or the last.
enum ERepeatWeekdayCount : std::int32_t {
    kRepeatWeekdayFirst = 0,
    kRepeatWeekdayFifth = 4,  // only in months that have one: the 29th or later
    kRepeatWeekdayLast = 5
};

// `RepeatEnd`: where a repeating entry's series ends.
enum ERepeatEnd : std::int32_t {
    kRepeatEndNever = 0,
    kRepeatEndAfterCount = 1,  // after `RepeatEndCount` occurrences
    kRepeatEndAtDate = 2       // the last start lies at or before `RepeatEndDate`
};

// Units of `ForewarnUnit` and `ExecuteUnit`.
enum ESpanUnit : std::int32_t {
    kSpanUnitMinutes = 0,
    kSpanUnitHours = 1,
    kSpanUnitDays = 2,
    kSpanUnitWeeks = 3
};

// `OverdueAction`: when a due or snoozed reminder lapses of itself.
enum EOverdueAction : std::int32_t {
    kOverdueNever = 0,
    kOverdueAfterExecuteSpan = 1,   // its end plus `ExecuteSpan` `ExecuteUnit`s is past
    kOverdueAtNextOccurrence = 2,   // the next occurrence has begun
    kOverdueAfterThirtySeconds = 3  // its end plus 30 seconds is past
};

// `StorageType`: what the merge takes over from a feed entry.
enum EStorageType : std::int32_t {
    kStorageTypeNone = 0,          // an entry built with defaults
    kStorageTypeProperties = 1,    // the properties only
    kStorageTypeWithReminders = 2  // the properties and the reminder state
};

// `CDateEntry::KeepStored`: what a feed entry leaves as the stored entry has it when it
// updates one, because its source does not carry it (an iCalendar event without VALARM,
// COLOR or CATEGORIES), so that the user's own choices survive a refresh.
enum EKeepStored : std::uint32_t {
    kKeepReminders = 1,  // Forewarn .. SoundRepeatCount: the reminder and its action
    kKeepColors = 2,     // BgColor and TextColor
    kKeepCategory = 4    // Category
};
