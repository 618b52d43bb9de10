#include "SyncCommand.h"

#include "ConsoleFeedView.h"
#include "app/FeedController.h"

int CSyncCommand::Run(const std::vector<std::string>& args, std::ostream& out,
                      std::ostream& /*err*/) {
    std::string shared;
    std::string feed;
    int mode = 0;
    bool haveShared = false;
    bool haveFeed = false;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return kBadArguments;
        const std::string& option = args[i];
        const std::string& value = args[i + 1];
        if (option == "--shared") {
            shared = value;
            haveShared = true;
        } else if (option == "--feed") {
            feed = value;
            haveFeed = true;
        } else if (option == "--mode" && (value == "add" || value == "replace")) {
            mode = value == "add" ? 0 : 1;
        } else {
            return kBadArguments;
        }
    }
    if (!haveShared || !haveFeed) return kBadArguments;

    CConsoleFeedView view;
    CFeedController controller(view);
    controller.m_Settings.SharedFilePath = shared;
    controller.m_Settings.FeedFilePath = feed;
    controller.m_Settings.SyncMode = mode;
    // Day number 0 lies before every date a file system reports, so the feed counts as new.
    controller.m_Settings.LastFeedFileTime = CDateTime::FromStored(0, 0);
    controller.RunSyncCycle();

    const std::string status = view.GetStatus();
    out << status << '\n';
    return status == CFeedController::kStatusSyncSuccessful ? kExitOk : kExitFailed;
}
