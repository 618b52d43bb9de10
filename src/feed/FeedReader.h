// Reads a feed file into the date entries and removal GUIDs that one sync works from.
#pragma once

#include <string>

#include "archive/Array.h"
#include "store/DateEntryArray.h"

class CFeedReporter;
class CIniDocument;

class CFeedReader {
public:
    // Results of ReadFeed.
    static constexpr int kRead = 0;
    static constexpr int kCantOpen = -1;
    static constexpr int kEmpty = -2;
    static constexpr int kNotAFeed = -3;

    // Reads the feed file at `path`:
    //   0  read; `entries` holds one entry per "DateEntry %d" section from 0 up to the first
    //      missing number, `removeGuids` the non-empty "GUID" of each "Remove %d" section
    //      from 0 up to the first missing number (both possibly empty);
    //  -1  the file cannot be opened (absent, inaccessible, held open by another process,
    //      not a regular file) or read for lack of memory;
    //  -2  the file holds no bytes;
    //  -3  the text is no feed: neither an iCalendar file nor INI text with at least one
    //      section header (a login page served in place of the feed, a few stray bytes).
    //      Taken as a feed, it would empty the calendar in replace mode.
    // On -1, -2 and -3 both lists are left as they were. `outOfMemory`, when given, tells
    // whether a -1 came from the lack of memory; `notAFeedReason`, when given, receives on
    // -3 the words of CFeedFormat::NotAFeedReason.
    //
    // A file whose text begins with BEGIN:VCALENDAR (CFeedFormat) is an iCalendar calendar,
    // whatever its name: its events become the entries (CIcalFeedReader, in the machine's
    // local time as of now), with no removal GUIDs; an incomplete one gives -1. `wholeCalendar`,
    // when given, tells whether the feed was such a calendar, which is its publisher's whole
    // calendar: events it no longer holds are to be removed. `incomplete`, when given, tells
    // whether a -1 came from an incomplete calendar.
    //
    // One working entry serves every date entry section: a key that a section omits keeps
    // the value of the section before (the constructor's default for section 0), and so
    // does LastCheckTime. Its reminder lists and dropped occurrences start empty for every
    // section. Each stored entry has StorageType 1 or 2 (anything else becomes 1).
    static int ReadFeed(const std::string& path, CDateEntryArray& entries,
                        CStringArray& removeGuids, bool* outOfMemory = nullptr,
                        bool* wholeCalendar = nullptr, bool* incomplete = nullptr,
                        std::string* notAFeedReason = nullptr);
    // The sections of a parsed feed, as ReadFeed reads them, appended to the lists; tells
    // `reporter`, when given, what it reads, drops and defaults. Lets std::bad_alloc through.
    static void ReadDocument(const CIniDocument& document, CDateEntryArray& entries,
                             CStringArray& removeGuids, CFeedReporter* reporter = nullptr);

private:
    // ReadFeed into empty lists, letting std::bad_alloc through.
    static int ReadInto(const std::string& path, CDateEntryArray& entries,
                        CStringArray& removeGuids, bool& wholeCalendar, bool& incomplete,
                        std::string& notAFeedReason);
};
