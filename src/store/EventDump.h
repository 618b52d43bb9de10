// The readable listing of a loaded event file, for people who keep these files.
#pragma once

#include <ostream>

class CEventData;

class CEventDump {
public:
    // The header number, then DateEntries1, DateEntries2 and TodoEntries in file order, each
    // entry with every stored field by name in stored order (CRecordFields): one
    // "Name: value" line per field, entries indented under their list. Date-times appear in
    // the storage form "%Y %m %d %H %M %S"; a date-time list gives its count, then its values
    // in order, one a line.
    //
    // Stored strings are text in the ANSI code page, shown converted to UTF-8
    // (CPlatform::AnsiToUtf8) so that the listing is valid UTF-8; where that code page is
    // Windows-1252 every byte has a character of its own and can be recovered. They are
    // quoted, with \" \\ \n \r \t and \xHH (other control characters and 0x7F) escaped.
    static void WriteText(const CEventData& data, std::ostream& out);
};
