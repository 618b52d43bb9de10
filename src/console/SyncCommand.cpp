#include "SyncCommand.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <memory>
#include <optional>

#include "ConsoleFeedView.h"
#include "ConsoleOutput.h"
#include "FeedCommand.h"
#include "FeedFetch.h"
#include "OptionChecks.h"
#include "SyncReport.h"
#include "app/FeedController.h"
#include "app/Subscription.h"
#include "platform/Platform.h"
#include "platform/ShadowPlatform.h"
#include "sync/EventMerge.h"

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
                      "print what the sync would do (the same summary), locking and writing "
                      "nothing: not the event file, the removal state or the settings");
    command->add_flag("--force", m_force,
                      "download each subscription's address whole and import it, without the "
                      "validators of its last import");
    command->footer(
        "Exit codes: 0 synced, nothing changed, or the feed is empty (nothing to import);\n"
        "            1 failed, or synced but the removal state cannot be kept (removals not\n"
        "            possible);\n"
        "            2 wrong usage; 75 the event file is locked by another program, or a\n"
        "            download failed for a reason that may pass (timeout, refused, 429, 5xx).\n"
        "Without --feed the subscriptions of the settings are synced (several: in add mode).\n"
        "A subscription's address is asked with the ETag and Last-Modified of its last import,\n"
        "as watch asks it: \"304 Not Modified\" or the same body is \"Nothing changed\".\n"
        "With --feed an address is always downloaded whole and imported.");
    return command;
}

int CSyncCommand::Run(CConsoleOutput& output) {
    // The dry run is the real one on a platform that keeps every change in memory, so that it
    // says what the real one would do, the removal state of earlier imports included.
    std::optional<CShadowPlatform> shadow;
    if (m_dryRun) {
        shadow.emplace(CPlatform::Default());
        shadow->Install();
    }
    CPlatform& platform = shadow ? *shadow : CPlatform::Default();
    if (m_feed.empty()) return RunSubscriptions(platform, output);

    CConsoleFeedView view(output.IsVerbose() ? &output.Out() : nullptr);
    CFeedController controller(view, platform);
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
        output.Info(outcome.text + DryRunNote());
    }
    return outcome.exitCode;
}

std::string CSyncCommand::DryRunNote() const {
    return m_dryRun ? " (dry run: nothing written)" : "";
}

int CSyncCommand::RunSubscriptions(CPlatform& platform, CConsoleOutput& output) {
    CConsoleFeedView view(output.IsVerbose() ? &output.Out() : nullptr);
    CFeedController controller(view, platform);
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
            output.Info(line + DryRunNote());
        }
    };
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (named >= 0 ? static_cast<int>(i) != named : !items[i].Enabled) continue;
        // A file counts as new; an address is asked as watch asks it, with the validators of
        // its last import, unless those would keep back a choice changed since. What the last
        // import left stays where this one does not import.
        const CSubscription before = items[i];
        items[i].LastFeedFileTime = CDateTime::FromStored(0, 0);
        if (m_force || items[i].Choices() != items[i].Applied) items[i].ForgetValidators();
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
    if (!m_dryRun && !settings.SaveSettings(std::string())) {
        output.Error("cannot write the settings file");
        if (exitCode == kExitOk) exitCode = kExitFailed;
    }
    return exitCode;
}
