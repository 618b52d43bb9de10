#include "CopyCommand.h"

#include "store/EventData.h"
#include "store/EventFile.h"

int CCopyCommand::Run(const std::vector<std::string>& args, std::ostream& /*out*/,
                      std::ostream& err) {
    if (args.size() != 2) return kBadArguments;
    for (const std::string& arg : args) {
        if (arg.empty() || arg[0] == '-') return kBadArguments;
    }
    const std::string& inPath = args[0];
    const std::string& outPath = args[1];

    CEventData data;
    std::string error;
    if (!CEventFile::Load(inPath, data, error) || !CEventFile::Save(outPath, data, error)) {
        err << "zelvarofeed: " << error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}
