// One subcommand of the console program `zelvarofeed`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class CConsoleCommand {
public:
    // Process exit codes shared by all commands.
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailed = 1;
    static constexpr int kExitUsage = 2;
    // Returned by Run when the arguments do not fit the command: the program then prints
    // the command's usage and exits with kExitUsage. Never a process exit code itself, so a
    // command may also exit with 2 for its own reasons without the usage being printed.
    static constexpr int kBadArguments = -1;

    CConsoleCommand() = default;
    CConsoleCommand(const CConsoleCommand&) = delete;
    CConsoleCommand& operator=(const CConsoleCommand&) = delete;
    virtual ~CConsoleCommand() = default;

    // Runs the command on the arguments that follow its name. Results go to `out`,
    // messages to `err`; the result is the process exit code.
    virtual int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) = 0;
};
