#include "CopyCommand.h"

#include <CLI/CLI.hpp>
#include <cerrno>

#include "ConsoleOutput.h"
#include "EventFileIo.h"
#include "SyncReport.h"
#include "platform/Platform.h"
#include "store/EventData.h"
#include "sync/EventFileLock.h"

CLI::App* CCopyCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "copy", "Load an event file and save it again; a damaged IN leaves OUT untouched.");
    command->add_option("IN", m_inPath, "the event file to read")->type_name("")->required();
    command->add_option("OUT", m_outPath, "the event file to write (replaced in one step)")
        ->type_name("")
        ->required();
    command->footer(
        "Exit codes: 0 copied, 1 IN cannot be loaded or OUT cannot be written, 2 wrong usage,\n"
        "            75 OUT is locked by another program (a sync of it is running).");
    return command;
}

int CCopyCommand::Run(CConsoleOutput& output) {
    CPlatform& platform = CPlatform::Default();
    std::string tempFolder;
    if (platform.GetTempFolder(tempFolder)) platform.RemoveStaleTempFiles(tempFolder);
    // OUT is rewritten like a sync rewrites it, and so under the same lock: a copy beside a
    // running sync must neither overwrite the sync's result nor be overwritten by it.
    CEventFileLock lock(platform, m_outPath);
    errno = 0;
    if (!lock.Take()) {
        const SSyncOutcome outcome = CSyncReport::DescribeLockFailure(lock.GetPath(), errno);
        output.Error(outcome.text);
        return outcome.exitCode;
    }
    CEventData data;
    if (!CEventFileIo::Load(m_inPath, data, output) ||
        !CEventFileIo::Save(m_outPath, data, output)) {
        return kExitFailed;
    }
    output.Detail("Copied " + m_inPath + " to " + m_outPath);
    return kExitOk;
}
