// The Linux console program: `zelvarofeed [-q|-v] COMMAND [OPTIONS] [ARGUMENTS]`.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "AgendaCommand.h"
#include "CheckFeedCommand.h"
#include "ConsoleCommand.h"
#include "ConsoleOutput.h"
#include "CopyCommand.h"
#include "DumpCommand.h"
#include "ExportCommand.h"
#include "FeedCommand.h"
#include "InitCommand.h"
#include "SyncCommand.h"
#include "WatchCommand.h"

namespace {

// The same table stands in the README and, through help2man, in the manual page.
constexpr const char* kFooter =
    "Exit codes:\n"
    "  0   done; for sync also an empty feed (nothing to import)\n"
    "  1   failed; for check-feed: problems found\n"
    "  2   wrong usage; for check-feed also a feed that could not be checked\n"
    "  75  the event file is locked by another program, or a feed download failed for a reason "
    "that may pass (try again later)\n"
    "  78  watch: no event file or feed file set yet\n"
    "\n"
    "Settings: $XDG_CONFIG_HOME/ZelvaroFeed/Settings.ini (default ~/.config), written by watch.\n"
    "Run 'zelvarofeed help COMMAND' or 'zelvarofeed COMMAND --help' for the options of a "
    "command.";

std::vector<std::unique_ptr<CConsoleCommand>> MakeCommands() {
    std::vector<std::unique_ptr<CConsoleCommand>> commands;
    commands.push_back(std::make_unique<CInitCommand>());
    commands.push_back(std::make_unique<CSyncCommand>());
    commands.push_back(std::make_unique<CWatchCommand>());
    commands.push_back(std::make_unique<CFeedCommand>());
    commands.push_back(std::make_unique<CCheckFeedCommand>());
    commands.push_back(std::make_unique<CDumpCommand>());
    commands.push_back(std::make_unique<CAgendaCommand>());
    commands.push_back(std::make_unique<CCopyCommand>());
    commands.push_back(std::make_unique<CExportCommand>());
    return commands;
}

// A parse error in the words of other tools: what was wrong, then where to look. `args`:
// the arguments after the program name.
int ReportUsageError(const CLI::App& app, std::string message,
                     const std::vector<std::string>& args) {
    std::string command = app.get_name();
    const std::vector<CLI::App*> selected = app.get_subcommands();
    if (!selected.empty()) {
        command += " " + selected.front()->get_name();
    } else {
        // Without a command the first word that is no option was meant as one.
        message = "missing command";
        for (const std::string& arg : args) {
            if (!arg.empty() && arg[0] != '-') {
                message = "unknown command '" + arg + "'";
                break;
            }
        }
    }
    std::cout.flush();
    std::cerr << app.get_name() << ": " << message << "\nRun '" << command
              << " --help' for usage.\n";
    return CConsoleCommand::kExitUsage;
}

// `exitCode`, or a failure when what went to stdout could not be written.
int CheckedOut(CConsoleOutput& output, int exitCode) {
    return output.FlushOut() || exitCode != CConsoleCommand::kExitOk ? exitCode
                                                                     : CConsoleCommand::kExitFailed;
}

// `zelvarofeed help [COMMAND]`.
int PrintHelp(const CLI::App& app, const std::string& topic) {
    if (topic.empty()) {
        std::cout << app.get_formatter()->make_help(&app, app.get_name(),
                                                    CLI::AppFormatMode::Normal);
        return CConsoleCommand::kExitOk;
    }
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (command->get_name() == topic && topic != "help") {
            std::cout << command->help(app.get_name());
            return CConsoleCommand::kExitOk;
        }
    }
    std::cerr << app.get_name() << ": help: no command named '" << topic
              << "'\nRun 'zelvarofeed --help' for the commands.\n";
    return CConsoleCommand::kExitUsage;
}

int Run(int argc, char** argv) {
    CLI::App app(
        "Merges a feed file (INI-style text) into a desktop calendar's event file "
        "(*.dat) by GUID, once or whenever the feed changes.",
        "zelvarofeed");
    app.set_version_flag("--version", "zelvarofeed " ZF_VERSION);
    app.footer(kFooter);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.require_subcommand(1);
    // -q and -v may also follow the command.
    app.fallthrough();
    bool quiet = false;
    bool verbose = false;
    app.add_flag("-q,--quiet", quiet, "print errors only");
    app.add_flag("-v,--verbose", verbose, "say more (every status of a sync)");

    const std::vector<std::unique_ptr<CConsoleCommand>> commands = MakeCommands();
    std::vector<CLI::App*> declared;
    for (const std::unique_ptr<CConsoleCommand>& command : commands) {
        declared.push_back(command->Declare(app));
        declared.back()->group("Commands");
    }
    CLI::App* help = app.add_subcommand("help", "Show the help of the program or of one command.");
    help->group("Commands");
    std::string helpTopic;
    help->add_option("COMMAND", helpTopic, "the command to show the help of")->type_name("");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& success) {
        CConsoleOutput plain(std::cout, std::cerr, EVerbosity::Normal);
        return CheckedOut(plain, app.exit(success, std::cout, std::cerr));  // --help, --version
    } catch (const CLI::ParseError& error) {
        return ReportUsageError(app, error.what(), std::vector<std::string>(argv + 1, argv + argc));
    }

    if (quiet && verbose) {
        // Checked here rather than declared, which would clutter every help text.
        return ReportUsageError(app, "--quiet excludes --verbose",
                                std::vector<std::string>(argv + 1, argv + argc));
    }
    if (help->parsed()) {
        CConsoleOutput plain(std::cout, std::cerr, EVerbosity::Normal);
        return CheckedOut(plain, PrintHelp(app, helpTopic));
    }
    CConsoleOutput output(std::cout, std::cerr,
                          quiet     ? EVerbosity::Quiet
                          : verbose ? EVerbosity::Verbose
                                    : EVerbosity::Normal);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (!declared[i]->parsed()) continue;
        return CheckedOut(output, commands[i]->Run(output));
    }
    return CConsoleCommand::kExitUsage;  // require_subcommand(1) leaves no other way here
}

}  // namespace

int main(int argc, char** argv) {
    // Only the C++ streams are used; unsynchronised they are much faster for long listings.
    std::ios::sync_with_stdio(false);
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "zelvarofeed: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "zelvarofeed: " << e.what() << '\n';
    }
    return CConsoleCommand::kExitFailed;
}
