#include "WatchCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "ConsoleFeedView.h"
#include "ConsoleOutput.h"
#include "FeedFetch.h"
#include "IcsPublisher.h"
#include "OptionChecks.h"
#include "StopSignals.h"
#include "SyncReport.h"
#include "app/FeedController.h"
#include "app/Subscription.h"
#include "platform/Platform.h"
#include "sync/FeedAddress.h"

CLI::App* CWatchCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "watch",
        "Sync whenever the feed file changes, until SIGINT, SIGTERM or SIGHUP; saves the "
        "options given.");
    command->add_option("--shared", m_shared, "the calendar's event file (*.dat)")
        ->type_name("EVENTFILE");
    command->add_option("--feed", m_feed, CFeedFetch::kFeedHelp)->type_name("FEEDFILE|URL");
    command->add_option("--ca-file", m_caFile, CFeedFetch::kCaFileHelp)->type_name("FILE");
    command
        ->add_option("--mode", m_mode, "add: add and update entries; replace: replace all entries")
        ->type_name("add|replace")
        ->check(COptionChecks::SyncMode());
    command
        ->add_option("--interval", m_interval,
                     "seconds between two checks (at least 5; at least 60 for an address)")
        ->type_name("SECONDS")
        ->check(COptionChecks::Seconds());
    command->add_flag("--no-notify", m_noNotify,
                      "check on the interval alone, without the system's change "
                      "notification for a feed file (not saved)");
    command
        ->add_option("--export", m_export,
                     "after each successful sync, write the calendar as iCalendar to this "
                     "file (replaced in one step; not saved)")
        ->type_name("FILE.ics");
    command->footer(
        "Settings: $XDG_CONFIG_HOME/ZelvaroFeed/Settings.ini (default ~/.config).\n"
        "Exit codes: 0 stopped by a signal, 2 wrong usage,\n"
        "            78 no event file or feed file set (give --shared and --feed once).");
    return command;
}

int CWatchCommand::Run(CConsoleOutput& output) {
    const CStopSignals stopSignals;
    CConsoleFeedView view(output.IsVerbose() ? &output.Out() : nullptr);
    CFeedController controller(view, CPlatform::Default());
    controller.LoadStartupSettings();
    CFeedSettings& settings = controller.m_Settings;
    const std::string settingsFile = CFeedSettings::GetSettingsFile(controller.m_strSettingsFolder);
    if (settings.IsFileLeftAlone()) {
        output.Error("cannot read the settings file \"" + settingsFile +
                     "\"; it is left unchanged and this run's settings are not saved");
    }
    ReportExposedSecret(controller, output);
    const bool several = controller.HasSeveralFeeds();
    if (several && (m_feed || m_caFile || m_interval)) {
        output.Error("watch: the settings hold " +
                     std::to_string(settings.Subscriptions.Items.size()) +
                     " subscriptions; change them with 'zelvarofeed feed set' (--feed, --ca-file "
                     "and --interval are for a calendar with one feed)");
        return kExitUsage;
    }
    if (m_shared) settings.SharedFilePath = COptionChecks::Absolute(*m_shared);
    if (m_feed) {
        const std::string feed = COptionChecks::Absolute(*m_feed);
        if (feed != settings.FeedFilePath) settings.ForgetFeedValidators();
        settings.FeedFilePath = feed;
    }
    if (m_caFile) settings.FeedCaFile = COptionChecks::Absolute(*m_caFile);
    if (m_mode) settings.SyncMode = COptionChecks::ToSyncMode(*m_mode);
    if (m_interval) settings.CheckFeedInterval = *m_interval;
    m_export = COptionChecks::Absolute(m_export);

    // A change of a feed file brings its check forward; the timer stays for what sends no
    // notification. A folder that cannot be watched is a status line, which -v prints.
    controller.EnableChangeNotification(!m_noNotify);
    if (!controller.StartFeedIfConfigured()) {
        controller.Close();
        output.Error(
            "no event file or feed file is set; set both once with "
            "'zelvarofeed watch --shared EVENTFILE --feed FEEDFILE' (they are saved in " +
            settingsFile + ")");
        return kExitNotConfigured;
    }
    PrintSettings(controller, output);

    // With several subscriptions each one's outcome is a line of its own, printed by the
    // same rule as the one feed's.
    std::vector<std::string> lastStatuses(settings.Subscriptions.Items.size());
    bool syncedInTick = false;
    controller.m_OnFeedSynced = [&](int index, const std::string& status) {
        if (!several) return;
        const std::string name = settings.Subscriptions.Items[static_cast<std::size_t>(index)].Name;
        const SSyncOutcome outcome = CSyncReport::Describe(controller, status, errno);
        std::string& last = lastStatuses[static_cast<std::size_t>(index)];
        const bool print = output.IsVerbose()
                               ? outcome.text != status
                               : status != last || CFeedController::IsSyncSuccessful(status);
        if (print) {
            const std::string line = CConsoleFeedView::Stamp(name + ": " + outcome.text);
            if (outcome.failed) {
                output.Err() << line << std::endl;
            } else {
                output.Info(line);
            }
        }
        last = status;
        syncedInTick = syncedInTick || CFeedController::IsSyncSuccessful(status);
    };

    using Clock = std::chrono::steady_clock;
    Clock::time_point due = Clock::now() + std::chrono::milliseconds(view.GetTimerPeriod());
    std::string lastStatus = controller.GetLastStatus();
    int stopSignal = 0;
    for (;;) {
        std::chrono::nanoseconds wait = due - Clock::now();
        if (const std::int64_t settle = controller.ChangeWaitMs(); settle >= 0) {
            wait = std::min<std::chrono::nanoseconds>(wait, std::chrono::milliseconds(settle));
        }
        if ((stopSignal = stopSignals.Wait(wait, controller.GetChangeHandles())) != 0) break;
        controller.CollectChanges();
        const bool tick = Clock::now() >= due;
        errno = 0;
        syncedInTick = false;
        if (tick) {
            controller.RunSyncCycle();
        } else if (controller.RunChangedFeeds() == 0) {
            continue;
        }
        if (several) {
            if (!m_export.empty() && syncedInTick) {
                CIcsPublisher::Publish(settings.SharedFilePath, m_export, output);
            }
            if (tick) {
                due += std::chrono::milliseconds(view.GetTimerPeriod());
                if (due < Clock::now()) due = Clock::now();
            }
            continue;
        }
        const int lastErrno = errno;
        // The outcome, not a watch failure that the status field may show after it.
        const std::string status = controller.GetLastStatus();
        const SSyncOutcome outcome = CSyncReport::Describe(controller, status, lastErrno);
        // -v has printed every bare status already; its line adds the counts or the reason.
        const bool print = output.IsVerbose()
                               ? outcome.text != status
                               : status != lastStatus || CFeedController::IsSyncSuccessful(status);
        if (print) {
            const std::string line = CConsoleFeedView::Stamp(outcome.text);
            if (outcome.failed) {
                output.Err() << line << std::endl;
            } else {
                output.Info(line);
            }
        }
        lastStatus = status;
        if (!m_export.empty() && CFeedController::IsSyncSuccessful(status)) {
            CIcsPublisher::Publish(settings.SharedFilePath, m_export, output);
        }
        if (!tick) continue;
        // Like a window timer: ticks missed during a long cycle collapse into one. A feed
        // address may have restarted the timer with another period (a backoff, or the
        // interval again): the next tick is one new period after this one.
        due += std::chrono::milliseconds(view.GetTimerPeriod());
        const Clock::time_point now = Clock::now();
        if (due < now) due = now;
    }
    if (!m_feed && !m_caFile && !m_interval) {
        // `feed` may have changed the list while this ran: its changes stay, this run's
        // state of each subscription joins them.
        settings.FoldWorkingFeed();
        CFeedSettings current(CPlatform::Default());
        if (current.LoadSettings(settingsFile)) {
            current.Subscriptions.TakeStateFrom(settings.Subscriptions);
            settings.Subscriptions = current.Subscriptions;
            settings.SelectWorkingFeed();
            controller.FillControls();
        }
    }
    controller.Close();
    output.Info(
        CConsoleFeedView::Stamp(std::string("Stopped by ") + CStopSignals::Name(stopSignal)));
    return kExitOk;
}

void CWatchCommand::ReportExposedSecret(const CFeedController& controller, CConsoleOutput& output) {
    const std::string file = CFeedSettings::GetSettingsFile(controller.m_strSettingsFolder);
    CPlatform& platform = CPlatform::Default();
    if (!CFeedAddress::HasCredentials(controller.m_Settings.FeedFilePath) ||
        !platform.IsReadableByOthers(file)) {
        return;
    }
    output.Error("the settings file \"" + file +
                 "\" holds the feed's user name and password and other users may read it" +
                 (platform.RestrictToOwner(file) ? "; it is now readable by you alone" : ""));
}

void CWatchCommand::PrintSettings(const CFeedController& controller, CConsoleOutput& output) const {
    const CFeedSettings& settings = controller.m_Settings;
    output.Info("Watching with the settings of " +
                CFeedSettings::GetSettingsFile(controller.m_strSettingsFolder) + ":");
    output.Info("  event file: " + settings.SharedFilePath);
    if (controller.HasSeveralFeeds()) {
        for (const CSubscription& feed : settings.Subscriptions.Items) {
            output.Info("  feed:       " + feed.Name + ": " + CFeedAddress::Masked(feed.Source) +
                        ", every " + std::to_string(feed.EffectiveInterval()) + " seconds" +
                        (feed.Enabled ? "" : " (disabled)"));
        }
        output.Info(
            "  mode:       add (several subscriptions: each replace would wipe the others)");
        if (!m_export.empty()) output.Info("  export:     " + m_export + " (after each sync)");
        return;
    }
    output.Info("  feed file:  " + CFeedAddress::Masked(settings.FeedFilePath));
    if (!settings.FeedCaFile.empty()) output.Info("  CA file:    " + settings.FeedCaFile);
    output.Info(std::string("  mode:       ") + COptionChecks::FromSyncMode(settings.SyncMode) +
                (settings.SyncMode == CEventMerge::kAddAndUpdate ? " (add and update entries)"
                                                                 : " (replace all entries)"));
    output.Info("  interval:   " + std::to_string(settings.CheckFeedInterval) + " seconds");
    if (!m_export.empty()) output.Info("  export:     " + m_export + " (after each sync)");
}
