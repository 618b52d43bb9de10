#include "DumpCommand.h"

#include "store/EventData.h"
#include "store/EventDump.h"
#include "store/EventFile.h"

int CDumpCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string* path = nullptr;
    bool json = false;
    for (const std::string& arg : args) {
        if (arg == "--json" && !json) {
            json = true;
        } else if (path == nullptr && !arg.empty() && arg[0] != '-') {
            path = &arg;
        } else {
            return kBadArguments;
        }
    }
    if (path == nullptr) return kBadArguments;

    CEventData data;
    std::string error;
    if (!CEventFile::Load(*path, data, error)) {
        err << "zelvarofeed: " << error << '\n';
        return kExitFailed;
    }
    if (json) {
        CEventDump::WriteJson(data, out);
    } else {
        CEventDump::WriteText(data, out);
    }
    out.flush();
    return out ? kExitOk : kExitFailed;
}
