// `zelvarofeed agenda EVENTFILE [--from DATE] [--to DATE] [--json]`: what the calendar will
// show, one line (or JSON object) per occurrence.
#pragma once

#include <string>

#include "ConsoleCommand.h"

class CAgendaCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // Exit 0 after the listing on stdout; 1 when the file cannot be opened, read or loaded
    // (one error line, nothing on stdout) or stdout fails; 2 when --to lies before --from.
    int Run(CConsoleOutput& output) override;

private:
    std::string m_path;
    std::string m_from;
    std::string m_to;
    bool m_json = false;
};
