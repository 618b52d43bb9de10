#include "CheckFeedCommand.h"

#include "feed/FeedChecker.h"

int CCheckFeedCommand::Run(const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
    if (args.size() != 1 || args[0].empty()) return kBadArguments;
    CFeedChecker checker;
    const int result = checker.CheckFile(args[0]);
    if (result == CFeedChecker::kUnreadable) {
        err << "zelvarofeed: cannot read the feed file \"" << args[0]
            << "\" (missing, not accessible, or held open by another program)\n";
        return result;
    }
    for (const CFeedFinding& finding : checker.GetFindings()) out << finding.Format() << '\n';
    const std::size_t count = checker.GetFindings().size();
    if (count > 0) out << count << (count == 1 ? " problem" : " problems") << " found.\n";
    out.flush();
    return result;
}
