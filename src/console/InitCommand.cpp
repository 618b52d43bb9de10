#include "InitCommand.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "EventFileIo.h"
#include "store/EventData.h"

CLI::App* CInitCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "init", "Write a new, empty event file; an existing file is never overwritten.");
    command->add_option("EVENTFILE", m_path, "the event file to create (*.dat)")
        ->type_name("")
        ->required();
    command->footer(
        "Exit codes: 0 created, 1 the file exists or cannot be written, 2 wrong usage.");
    return command;
}

int CInitCommand::Run(CConsoleOutput& output) {
    // lstat: a dangling symbolic link is something existing too.
    struct stat info {};
    if (::lstat(m_path.c_str(), &info) == 0) {
        output.Error(m_path + " already exists; not overwriting it");
        return kExitFailed;
    }
    if (!CEventFileIo::Save(m_path, CEventData(), output)) return kExitFailed;
    output.Info("Created the empty event file " + m_path);
    return kExitOk;
}
