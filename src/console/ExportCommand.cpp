#include "ExportCommand.h"

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "IcsPublisher.h"
#include "ical/TzifZone.h"

CLI::App* CExportCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "export",
        "Write an event file as iCalendar (RFC 5545): one VEVENT per date entry, with rules "
        "that other calendars expand to the same occurrences.");
    command->add_option("EVENTFILE", m_eventPath, "the event file (*.dat)")
        ->type_name("")
        ->required();
    command
        ->add_option("-o,--output", m_icsPath,
                     "the file to write (replaced in one step); default: stdout")
        ->type_name("FILE.ics");
    command
        ->add_option("--tz", m_zone,
                     "write the times as local times of this zone of the system's zone data "
                     "(e.g. Europe/Berlin), with its VTIMEZONE; default: floating times")
        ->type_name("ZONE");
    command->footer(
        "Times are the calendar's wall-clock times: floating, or with --tz in that zone.\n"
        "Where no single RRULE can be exact, the occurrences up to 1 January of the\n"
        "fourth year ahead are listed (RDATE) and a note on stderr names the entry.\n"
        "Exit codes: 0 exported, 1 the event file cannot be read or is damaged, or the\n"
        "            export cannot be written, 2 wrong usage or an unknown zone.");
    return command;
}

int CExportCommand::Run(CConsoleOutput& output) {
    std::unique_ptr<CTzifZone> zone;
    if (!m_zone.empty()) {
        zone = CIcsPublisher::LoadZone(m_zone);
        if (zone == nullptr) {
            output.Error("--tz: no time zone named '" + m_zone + "' in the system's zone data");
            return kExitUsage;
        }
    }
    return CIcsPublisher::Publish(m_eventPath, m_icsPath, output, zone.get()) ? kExitOk
                                                                              : kExitFailed;
}
