// The GUIDs that the last sync of one feed into one event file imported: the state that lets
// a feed which is its publisher's whole calendar (an iCalendar file) remove, in add mode, the
// events it no longer holds, and nothing else.
//
// File format: text, one GUID per line (LF), in the order of the feed; nothing else. A
// missing, unreadable or damaged file reads as no GUIDs, so losing it only leaves removed
// events in the calendar.
#pragma once

#include <string>
#include <vector>

#include "archive/Array.h"
#include "store/DateEntryArray.h"

class CPlatform;

class CImportedGuids {
public:
    // The state file of the feed at `feedPath` synced into `eventPath`, in `folder` (the
    // settings folder, ending with a separator): "Imported-" and 16 hexadecimal digits of a
    // digest of both paths as given, then ".txt". Empty when `folder` is.
    static std::string StatePath(const std::string& folder, const std::string& feedPath,
                                 const std::string& eventPath);
    // The GUIDs in the file at `path`; none when it is missing or cannot be read.
    static std::vector<std::string> Load(CPlatform& platform, const std::string& path);
    // Replaces the file at `path` in one step with `guids`, written first to a temporary file
    // (deleted again on every path). False when it could not be written; the old file then
    // stays as it was.
    static bool Save(CPlatform& platform, const std::string& path,
                     const std::vector<std::string>& guids);
    // The GUIDs of `entries`, each once, in their first order.
    static std::vector<std::string> Of(const CDateEntryArray& entries);
    // Appends to `removeGuids` every GUID of `previous` that `current` lacks, in order.
    static void AddGone(const std::vector<std::string>& previous,
                        const std::vector<std::string>& current, CStringArray& removeGuids);
};
