#include "DumpCommand.h"

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "EventFileIo.h"
#include "JsonText.h"
#include "store/EventData.h"
#include "store/EventDump.h"

CLI::App* CDumpCommand::Declare(CLI::App& app) {
    CLI::App* command =
        app.add_subcommand("dump", "List every entry of an event file, every field by name.");
    command->add_option("FILE", m_path, "the event file (*.dat)")->type_name("")->required();
    command->add_flag("--json", m_json, "write JSON instead of text");
    command->footer(
        "Exit codes: 0 listed, 1 the file cannot be read or is damaged, 2 wrong usage.");
    return command;
}

int CDumpCommand::Run(CConsoleOutput& output) {
    CEventData data;
    if (!CEventFileIo::Load(m_path, data, output)) return kExitFailed;
    std::ostream& out = output.Out();
    if (m_json) {
        CJsonText::WriteEventData(data, out);
    } else {
        CEventDump::WriteText(data, out);
    }
    return output.FlushOut("cannot write the listing") ? kExitOk : kExitFailed;
}
