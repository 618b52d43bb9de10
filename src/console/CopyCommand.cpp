#include "CopyCommand.h"

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "EventFileIo.h"
#include "store/EventData.h"

CLI::App* CCopyCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "copy", "Load an event file and save it again; a damaged IN leaves OUT untouched.");
    command->add_option("IN", m_inPath, "the event file to read")->type_name("")->required();
    command->add_option("OUT", m_outPath, "the event file to write (replaced in one step)")
        ->type_name("")
        ->required();
    command->footer(
        "Exit codes: 0 copied, 1 IN cannot be loaded or OUT cannot be written, 2 wrong usage.");
    return command;
}

int CCopyCommand::Run(CConsoleOutput& output) {
    CEventData data;
    if (!CEventFileIo::Load(m_inPath, data, output) ||
        !CEventFileIo::Save(m_outPath, data, output)) {
        return kExitFailed;
    }
    output.Detail("Copied " + m_inPath + " to " + m_outPath);
    return kExitOk;
}
