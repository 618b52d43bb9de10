// Readable and JSON listings of a loaded event file, for people who keep these files.
#pragma once

#include <ostream>
#include <string>

class CEventData;

// Both forms list the header number, then DateEntries1, DateEntries2 and TodoEntries in
// file order, each entry with every stored field by name in stored order (the never-stored
// OccurrenceCounter and Transient are left out). Date-times appear in the storage form
// "%Y %m %d %H %M %S"; date-time lists list their values in order.
//
// Stored strings are text in the ANSI code page; both forms show them converted to UTF-8
// (CPlatform::AnsiToUtf8), so that the listing is valid UTF-8. Where that code page is
// Windows-1252, every byte has a character of its own and can be recovered.
class CEventDump {
public:
    // One "Name: value" line per field, entries indented under their list. Strings are
    // quoted, with \" \\ \n \r \t and \xHH (other control characters) escaped.
    static void WriteText(const CEventData& data, std::ostream& out);
    // One JSON object: {"HeaderNumber": n, "DateEntries1": [...], "DateEntries2": [...],
    // "TodoEntries": [...]}, each entry an object of its fields; int32 fields are numbers,
    // strings and date-times are strings, date-time lists are arrays of strings.
    static void WriteJson(const CEventData& data, std::ostream& out);
    // A stored (ANSI) string as a quoted JSON string of UTF-8, escaped as WriteJson does.
    static std::string JsonString(const std::string& value);
};
