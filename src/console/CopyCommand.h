// `zelvarofeed copy IN OUT`: loads an event file and saves it again, normalised as loading
// normalises it (current schemas, single-byte strings, Spare 0).
#pragma once

#include <string>

#include "ConsoleCommand.h"

class CCopyCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // Loads IN completely before OUT is touched, then replaces OUT in one step; IN and OUT
    // may name the same file. Exit 0 on success; 1 when IN cannot be loaded or OUT cannot
    // be written, OUT then being unchanged (or still absent).
    int Run(CConsoleOutput& output) override;

private:
    std::string m_inPath;
    std::string m_outPath;
};
