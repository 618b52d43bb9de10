// Loading and saving an event file for a console command, with a failure reported on the
// command's output together with the system's reason.
#pragma once

#include <string>

class CConsoleOutput;
class CEventData;

class CEventFileIo {
public:
    // CEventFile::Load; on failure one error line such as "cannot open cal.dat: Permission
    // denied" or "cause 3: An attempt was made to access cal.dat past its end.".
    static bool Load(const std::string& path, CEventData& data, CConsoleOutput& output);
    // CEventFile::Save; on failure one error line such as "cannot write cal.dat: No space
    // left on device".
    static bool Save(const std::string& path, const CEventData& data, CConsoleOutput& output);
};
