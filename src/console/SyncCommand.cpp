#include "SyncCommand.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <memory>

#include "ConsoleFeedView.h"
#include "ConsoleOutput.h"
#include "EventFileIo.h"
#include "FeedCommand.h"
#include "FeedFetch.h"
#include "OptionChecks.h"
#include "SyncReport.h"
#include "SystemReason.h"
#include "app/FeedController.h"
#include "app/Subscription.h"
#include "feed/FeedReader.h"
#include "platform/Platform.h"
#include "store/EventData.h"
#include "sync/EventMerge.h"
#include "sync/FeedAddress.h"

CLI::App* CSyncCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "sync", "Run one sync cycle: merge the feed file into the event file now.");
    command->add_option("--shared", m_shared, "the calendar's event file (*.dat)")
        ->type_name("EVENTFILE")
        ->required();
    CLI::Option* feed =
        command->add_option("--feed", m_feed, CFeedFetch::kFeedHelp)->type_name("FEEDFILE|URL");
    command
        ->add_option("--name", m_name,
                     "sync only this subscription (without --feed and --name: every enabled "
                     "subscription of the settings)")
        ->type_name("NAME")
        ->excludes(feed);
    command->add_option("--ca-file", m_caFile, CFeedFetch::kCaFileHelp)->type_name("FILE");
    m_modeOption = command
                       ->add_option("--mode", m_mode,
                                    "add: add and update entries (default); replace: "
                                    "replace all entries")
                       ->type_name("add|replace")
                       ->check(COptionChecks::SyncMode());
    command->add_flag("--dry-run", m_dryRun,
                      "read both files and print the summary, locking and writing nothing");
    command->footer(
        "Exit codes: 0 synced, or the feed is empty (nothing to import); 1 failed, or\n"
        "            synced but the removal state cannot be kept (removals not possible);\n"
        "            2 wrong usage; 75 the event file is locked by another program, or a\n"
        "            download failed for a reason that may pass (timeout, refused, 429, 5xx).\n"
        "An address is always downloaded whole and imported: sync keeps no validators.\n"
        "Without --feed the subscriptions of the settings are synced (several: in add mode).");
    return command;
}

int CSyncCommand::Run(CConsoleOutput& output) {
    if (m_feed.empty()) {
        if (m_dryRun) {
            output.Error("sync: --dry-run needs --feed");
            return kExitUsage;
        }
        return RunSubscriptions(output);
    }
    if (m_dryRun) return RunDry(output);

    CConsoleFeedView view(output.IsVerbose() ? &output.Out() : nullptr);
    CFeedController controller(view, CPlatform::Default());
    controller.m_Settings.SharedFilePath = m_shared;
    controller.m_Settings.FeedFilePath = m_feed;
    controller.m_Settings.FeedCaFile = m_caFile;
    controller.m_Settings.SyncMode = COptionChecks::ToSyncMode(m_mode);
    // Day number 0 lies before every date a file system reports, so the feed counts as new.
    controller.m_Settings.LastFeedFileTime = CDateTime::FromStored(0, 0);
    errno = 0;
    controller.RunSyncCycle();
    const int lastErrno = errno;

    const SSyncOutcome outcome = CSyncReport::Describe(controller, view.GetStatus(), lastErrno);
    if (outcome.failed) {
        output.Error(outcome.text);
    } else {
        output.Info(outcome.text);
    }
    return outcome.exitCode;
}

int CSyncCommand::RunDry(CConsoleOutput& output) {
    CFeedFetch fetch;
    const bool address = CFeedAddress::IsAddress(m_feed);
    if (address && !fetch.Fetch(m_feed, m_caFile, output)) {
        return fetch.GetResult().IsTemporary() ? kExitTemporary : kExitFailed;
    }
    const std::string feedPath = address ? fetch.GetPath() : m_feed;
    CDateEntryArray feed;
    CStringArray removeGuids;
    bool outOfMemory = false;
    bool wholeCalendar = false;
    bool incomplete = false;
    std::string notAFeed;
    switch (CFeedReader::ReadFeed(feedPath, feed, removeGuids, &outOfMemory, &wholeCalendar,
                                  &incomplete, &notAFeed)) {
        case CFeedReader::kCantOpen: {
            std::string reason = outOfMemory  ? "not enough memory"
                                 : incomplete ? CSystemReason::kIncompleteCalendar
                                 : address    ? "the downloaded feed cannot be read"
                                              : CSystemReason::ForReading(m_feed);
            if (reason.empty()) reason = "another program may hold it open";
            output.Error(std::string(CFeedController::kStatusCantOpenFeed) + ": " +
                         CFeedAddress::Masked(m_feed) + ": " + reason);
            return kExitFailed;
        }
        case CFeedReader::kNotAFeed:
            output.Error(std::string(CFeedController::kStatusCantReadFeed) + ": " + notAFeed);
            return kExitFailed;
        case CFeedReader::kEmpty:
            output.Info(std::string(CFeedController::kStatusFeedEmpty) +
                        ": nothing to import (dry run)");
            return kExitOk;
        default:
            break;
    }

    const int mode = COptionChecks::ToSyncMode(m_mode);
    CEventData data;
    if (mode == CEventMerge::kAddAndUpdate) {
        if (!CEventFileIo::Load(m_shared, data, output)) return kExitFailed;
    } else if (CPlatform::Default().OpenFile(m_shared, EFileOpen::Read) == nullptr) {
        // The replace mode ignores the old content, but the cycle still copies the file.
        output.Error(
            CSystemReason::Append("cannot open " + m_shared, CSystemReason::ForReading(m_shared)));
        return kExitFailed;
    }
    SMergeCounts counts;
    CEventMerge::ApplyFeed(data, feed, removeGuids, &counts);
    output.Info(CSyncReport::Summary(counts) + " (dry run: nothing written)");
    return kExitOk;
}

int CSyncCommand::RunSubscriptions(CConsoleOutput& output) {
    CConsoleFeedView view(output.IsVerbose() ? &output.Out() : nullptr);
    CFeedController controller(view, CPlatform::Default());
    if (!CFeedCommand::LoadForChange(controller, output)) return kExitFailed;
    CFeedSettings& settings = controller.m_Settings;
    std::vector<CSubscription>& items = settings.Subscriptions.Items;
    const int named = m_name.empty() ? -1 : settings.Subscriptions.IndexOf(m_name);
    if (!m_name.empty() && named < 0) {
        output.Error("sync: no subscription named '" + m_name + "'");
        return kExitFailed;
    }
    if (items.empty()) {
        output.Error("sync: no subscriptions; give --feed, or add one with 'zelvarofeed feed add'");
        return kExitFailed;
    }
    settings.SharedFilePath = COptionChecks::Absolute(m_shared);
    if (m_modeOption->count() > 0) settings.SyncMode = COptionChecks::ToSyncMode(m_mode);
    if (controller.HasSeveralFeeds() && settings.SyncMode != CEventMerge::kAddAndUpdate) {
        output.Info("The calendar has " + std::to_string(items.size()) +
                    " subscriptions and syncs in add mode.");
    }

    int exitCode = kExitOk;
    controller.m_OnFeedSynced = [&](int index, const std::string& status) {
        const SSyncOutcome outcome = CSyncReport::Describe(controller, status, errno);
        const std::string line = items[static_cast<std::size_t>(index)].Name + ": " + outcome.text;
        if (outcome.failed) {
            output.Error(line);
            exitCode =
                exitCode == kExitOk || exitCode == kExitTemporary ? outcome.exitCode : exitCode;
        } else {
            output.Info(line);
        }
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (named >= 0 ? static_cast<int>(i) != named : !items[i].Enabled) continue;
        // A first cycle: the feed counts as new and an address is fetched whole. What the
        // last import left stays where this one does not import.
        const CSubscription before = items[i];
        items[i].LastFeedFileTime = CDateTime::FromStored(0, 0);
        items[i].ForgetValidators();
        errno = 0;
        controller.RunSubscription(static_cast<int>(i));
        const std::string& status = controller.GetLastStatus();
        if (!CFeedController::IsSyncSuccessful(status) &&
            status != CFeedController::kStatusFeedEmpty) {
            items[i].LastFeedFileTime = before.LastFeedFileTime;
            items[i].ETag = before.ETag;
            items[i].LastModified = before.LastModified;
            items[i].Sha256 = before.Sha256;
        }
    }
    if (!settings.SaveSettings(std::string())) {
        output.Error("cannot write the settings file");
        if (exitCode == kExitOk) exitCode = kExitFailed;
    }
    return exitCode;
}
