// Writes the iCalendar export of an event file (CIcalExport) to stdout or, atomically, to a
// file: for `export` and for `watch --export`.
#pragma once

#include <memory>
#include <string>

class CConsoleOutput;
class CTzifZone;

class CIcsPublisher {
public:
    // Loads `eventPath` and writes its export to `icsPath`, or to the command's output when
    // `icsPath` is empty. A file is written whole into a temporary file and then replaces
    // `icsPath` in one step (CPlatform::ReplaceFileWithCopy), so a reader sees the old export
    // or the new one, never a part. The exporter's notes go to stderr (not with -q). False,
    // after one error line (a damaged event file: the archive's cause), when the event file
    // cannot be loaded or the export cannot be written; `icsPath` is then untouched.
    // With `zone`, times are written as local times of that zone, with its VTIMEZONE.
    static bool Publish(const std::string& eventPath, const std::string& icsPath,
                        CConsoleOutput& output, const CTzifZone* zone = nullptr);

    // The zone `name` (an IANA name) of the system's zone data (CPlatform::ReadZoneData);
    // nullptr for a name that is none there.
    static std::unique_ptr<CTzifZone> LoadZone(const std::string& name);

    // Writes `text` to a temporary file and replaces `path` by it in one step. False with
    // `path` untouched on failure.
    static bool ReplaceWithText(const std::string& path, const std::string& text);
};
