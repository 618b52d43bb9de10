// One subcommand of the console program `zelvarofeed`.
#pragma once

namespace CLI {
class App;
}
class CConsoleOutput;

class CConsoleCommand {
public:
    // Process exit codes shared by all commands; the help texts, the README and the manual
    // page list the same values.
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailed = 1;
    static constexpr int kExitUsage = 2;
    // The event file is locked by another program; trying again later may succeed
    // (EX_TEMPFAIL of sysexits.h).
    static constexpr int kExitLocked = 75;
    // A feed address could not be fetched for a reason that may pass (a timeout, a refused
    // connection, 429, 5xx): the same EX_TEMPFAIL.
    static constexpr int kExitTemporary = 75;
    // `watch` has no event file or feed file to work with (EX_CONFIG of sysexits.h);
    // restarting it cannot help, so the systemd unit does not.
    static constexpr int kExitNotConfigured = 78;

    CConsoleCommand() = default;
    CConsoleCommand(const CConsoleCommand&) = delete;
    CConsoleCommand& operator=(const CConsoleCommand&) = delete;
    virtual ~CConsoleCommand() = default;

    // Adds the command to `app` as a subcommand whose options and arguments are bound to
    // members of this object, which must outlive the parse. Returns the subcommand.
    virtual CLI::App* Declare(CLI::App& app) = 0;
    // Runs the command on the parsed options; the result is the process exit code.
    virtual int Run(CConsoleOutput& output) = 0;
};
