// `zelvarofeed dump FILE [--json]`: lists a whole event file readably or as JSON.
#pragma once

#include <string>

#include "ConsoleCommand.h"

class CDumpCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // Exit 0 after a complete listing on stdout; 1 when the file cannot be opened, read or
    // loaded (one error line, nothing on stdout) or stdout fails.
    int Run(CConsoleOutput& output) override;

private:
    std::string m_path;
    bool m_json = false;
};
