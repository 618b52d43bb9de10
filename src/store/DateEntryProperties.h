// The 46 properties of a calendar date entry, named after the feed keys: the carrier of
// properties from a feed section to an entry and from a feed entry to a stored entry.
#pragma once

#include <cstdint>
#include <string>

#include "datetime/DateTime.h"

// Colours are Windows colour values 0x00BBGGRR. A default-constructed record holds the
// defaults of a new entry except GUID (empty) and the dates (the default date-time);
// CDateEntry's constructor fills those.
struct DateEntryProperties {
    std::string GUID;
    std::int32_t StorageType = 0;
    std::string Category;
    std::string Description;
    std::string Notes;
    std::int32_t Display = 0;
    std::int32_t BgColor = 224;
    std::int32_t TextColor = 0;
    std::string Icon;
    CDateTime StartDate;
    CDateTime EndDate;
    std::int32_t ShowStartTime = 1;
    std::int32_t ShowEnd = 1;
    std::int32_t Repeat = 0;
    std::int32_t RepeatRate = 0;
    std::int32_t RepeatUnit = 0;
    std::int32_t RepeatWeekdayCount = 0;
    std::int32_t RepeatWeekday = 0;
    std::int32_t RepeatEnd = 0;
    std::int32_t RepeatEndCount = 1;
    CDateTime RepeatEndDate;
    std::int32_t CondTimeEnable = 0;
    CDateTime CondStartTime;
    CDateTime CondEndTime;
    std::int32_t CondWeekdays = 127;
    std::int32_t CondMonth = 4095;
    std::int32_t Forewarn = 0;
    std::int32_t ForewarnSpan = 0;
    std::int32_t ForewarnUnit = 0;
    std::int32_t ForewarnSilent = 0;
    std::int32_t SnoozeSpan = 5;
    std::int32_t SnoozeUnit = 1;
    std::int32_t SnoozeType = 0;
    std::int32_t OverdueAction = 0;
    std::int32_t ExecuteSpan = 1;
    std::int32_t ExecuteUnit = 1;
    std::int32_t Action = 0;
    std::int32_t Sound = 0;
    std::string SoundFile;
    std::int32_t SoundRepeatEndless = 1;
    std::int32_t SoundRepeatCount = 3;
    std::string DocumentFile;
    std::int32_t AckOpen = 0;
    std::string CmdLine;
    std::string Parameter;
    std::int32_t AckExecute = 0;
};
