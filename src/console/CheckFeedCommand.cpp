#include "CheckFeedCommand.h"

#include <cerrno>
#include <new>

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "FeedFetch.h"
#include "OptionChecks.h"
#include "SystemReason.h"
#include "app/FeedSettings.h"
#include "feed/FeedChecker.h"
#include "platform/Platform.h"
#include "sync/FeedAddress.h"

CLI::App* CCheckFeedCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "check-feed", "List what the feed reader would drop or turn into a default.");
    command->add_option("FEED", m_path, CFeedFetch::kFeedHelp)->type_name("")->required();
    command->add_option("--ca-file", m_caFile, CFeedFetch::kCaFileHelp)->type_name("FILE");
    command->footer(
        "Exit codes: 0 nothing found, 1 problems found, 2 wrong usage or the feed could not\n"
        "            be checked (unreadable, out of memory, not downloaded), 75 the download\n"
        "            failed for a reason that may pass (timeout, refused, 429, 5xx).");
    return command;
}

void CCheckFeedCommand::SayShared(CConsoleOutput& output) const {
    CFeedSettings settings(CPlatform::Default());
    std::string folder;
    if (!CFeedSettings::GetSettingsFolder(CPlatform::Default(), folder)) return;
    settings.LoadSettings(CFeedSettings::GetSettingsFile(folder));
    const CSubscriptionList& list = settings.Subscriptions;
    const int index = list.IndexOfSource(COptionChecks::Absolute(m_path));
    if (index < 0) return;
    const CSubscription& feed = list.Items[static_cast<std::size_t>(index)];
    if (feed.LeftAlone <= 0) return;
    output.Info("Subscription '" + feed.Name + "': " + std::to_string(feed.LeftAlone) +
                " events of its last import are left to an earlier subscription that carries "
                "them too, whose choices apply.");
}

int CCheckFeedCommand::Run(CConsoleOutput& output) {
    CFeedFetch fetch;
    const bool address = CFeedAddress::IsAddress(m_path);
    if (address && !fetch.Fetch(m_path, m_caFile, output)) {
        return fetch.GetResult().IsTemporary() ? kExitTemporary : kExitUncheckable;
    }
    const std::string path = address ? fetch.GetPath() : m_path;
    const std::string shown = CFeedAddress::Masked(m_path);
    CFeedChecker checker;
    int result = CFeedChecker::kClean;
    try {
        errno = 0;
        result = checker.CheckFile(path);
    } catch (const std::bad_alloc&) {
        output.Error("not enough memory to check " + shown);
        return kExitUncheckable;
    }
    if (result == CFeedChecker::kUnreadable) {
        const int failure = errno;
        std::string reason = address ? std::string("the downloaded feed cannot be read")
                                     : CSystemReason::ForReading(m_path, failure);
        if (reason.empty()) reason = "another program may hold it open";
        output.Error("cannot read the feed file " + shown + ": " + reason);
        return kExitUncheckable;
    }
    std::ostream& out = output.Out();
    for (const CFeedFinding& finding : checker.GetFindings()) out << finding.Format() << '\n';
    const std::size_t count = checker.GetFindings().size();
    if (count > 0)
        output.Info(std::to_string(count) + (count == 1 ? " problem" : " problems") + " found.");
    if (!output.FlushOut("cannot write the findings")) return kExitFailed;
    // After the findings' flush: reading the settings would hide the reason of a failed write.
    SayShared(output);
    return result == CFeedChecker::kFindings ? kExitFindings : kExitOk;
}
