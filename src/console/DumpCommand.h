// `zelvarofeed dump FILE [--json]`: lists a whole event file readably or as JSON.
#pragma once

#include "ConsoleCommand.h"

class CDumpCommand : public CConsoleCommand {
public:
    // Exit 0 after a complete listing on `out`; 1 when the file cannot be opened, read or
    // loaded (one line on `err`, nothing on `out`); 2 for other arguments.
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};
