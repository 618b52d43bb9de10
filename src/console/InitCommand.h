// `zelvarofeed init EVENTFILE`: writes a new, empty event file to start a calendar with.
#pragma once

#include <string>

#include "ConsoleCommand.h"

class CInitCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // Writes header number 100 and three empty lists (16 bytes). Exit 0 when written; 1
    // when something already exists at the path (left untouched) or it cannot be written.
    int Run(CConsoleOutput& output) override;

private:
    std::string m_path;
};
