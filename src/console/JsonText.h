// The JSON that the console program writes: `dump --json`, `agenda --json` and the strings of
// `feed list --json`.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "datetime/DateTime.h"
#include "store/Agenda.h"

class CEventData;

class CJsonText {
public:
    // A stored (ANSI) string as a quoted JSON string of UTF-8 (CPlatform::AnsiToUtf8), with
    // \" \\ \b \f \n \r \t and \u00HH (the other control characters) escaped.
    static std::string String(std::string_view value);

    // One JSON object: {"HeaderNumber": n, "DateEntries1": [...], "DateEntries2": [...],
    // "TodoEntries": [...]}, each entry an object of its stored fields in stored order
    // (CRecordFields); int32 fields are numbers, strings and date-times (in the storage form
    // "%Y %m %d %H %M %S") are strings, date-time lists are arrays of strings.
    static void WriteEventData(const CEventData& data, std::ostream& out);

    // A JSON array of {"guid", "description", "start", "end", "wholeDay"}, one item a line,
    // times as "YYYY-MM-DDTHH:MM:SS": the listing of CAgenda::Stream written as it is found.
    static void WriteAgenda(CEventData& data, const CDateTime& from, const CDateTime& to,
                            std::ostream& out);
    // The same of items already listed.
    static void WriteAgenda(const std::vector<CAgenda::SItem>& items, std::ostream& out);
};
