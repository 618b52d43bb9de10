// `zelvarofeed export EVENTFILE [-o FILE.ics] [--tz ZONE]`: the calendar as iCalendar
// (RFC 5545).
#pragma once

#include <string>

#include "ConsoleCommand.h"

class CExportCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // Exit 0 after a complete export on stdout or in the file; 1 when the event file cannot
    // be loaded (nothing written, no file made) or the export cannot be written; 2 for a
    // --tz that names no zone of the system's zone data.
    int Run(CConsoleOutput& output) override;

private:
    std::string m_eventPath;
    std::string m_icsPath;
    std::string m_zone;
};
