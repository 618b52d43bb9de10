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
    // The arguments do not fit the command; the program then prints the command's usage.
    static constexpr int kExitUsage = 2;

    CConsoleCommand() = default;
    CConsoleCommand(const CConsoleCommand&) = delete;
    CConsoleCommand& operator=(const CConsoleCommand&) = delete;
    virtual ~CConsoleCommand() = default;

    // Runs the command on the arguments that follow its name. Results go to `out`,
    // messages to `err`; the result is the process exit code.
    virtual int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) = 0;
};
