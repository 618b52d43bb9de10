#include "ExportCommand.h"

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "IcsPublisher.h"

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
    command->footer(
        "Times are the calendar's wall-clock times (floating). Where no single RRULE can\n"
        "be exact, the occurrences up to 1 January of the fourth year ahead are listed\n"
        "(RDATE) and a note on stderr names the entry.\n"
        "Exit codes: 0 exported, 1 the event file cannot be read or is damaged, or the\n"
        "            export cannot be written, 2 wrong usage.");
    return command;
}

int CExportCommand::Run(CConsoleOutput& output) {
    return CIcsPublisher::Publish(m_eventPath, m_icsPath, output) ? kExitOk : kExitFailed;
}
