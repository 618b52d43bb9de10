// The state and operations of the control window that do not depend on a window: settings,
// the feed lists, the timer and the status field, reached through a CFeedView.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/FeedSettings.h"
#include "app/FeedView.h"
#include "app/SubscriptionForm.h"
#include "archive/Array.h"
#include "platform/Downloader.h"
#include "store/DateEntryArray.h"
#include "sync/EventMerge.h"
#include "sync/FeedChangeWatch.h"
#include "sync/ImportChoices.h"
#include "sync/PollSchedule.h"

class CImportState;
class CPlatform;
class CSharedGuids;
class CSubscription;

class CFeedController {
public:
    // The outcome texts of the status field.
    static constexpr const char* kStatusCantAccessFeed = "Can't access feed file";
    static constexpr const char* kStatusCantDetermineTime =
        "Can't determine feed file modification time";
    static constexpr const char* kStatusNothingChanged = "Nothing changed, not syncing";
    static constexpr const char* kStatusCantOpenFeed = "Can't open feed file for reading";
    static constexpr const char* kStatusFeedEmpty = "Feed file is empty";
    static constexpr const char* kStatusSyncing = "Syncing...";
    static constexpr const char* kStatusCantLock = "Can't lock event file";
    static constexpr const char* kStatusCantCreateTemp =
        "Can't create temporary event file for syncing";
    static constexpr const char* kStatusSyncFailed = "Sync failed";
    static constexpr const char* kStatusCantCopyBack = "Can't copy temporary event file";
    static constexpr const char* kStatusSyncSuccessful = "Sync successful";
    // Follows "Sync successful" when the calendar was synced but the state that lets a whole
    // calendar's feed remove what it dropped could not be read or kept; the reason follows.
    static constexpr const char* kRemovalsNotPossible = "; removals not possible: ";
    static constexpr const char* kStatusStarted = "Start syncing...";
    static constexpr const char* kStatusStopped = "Syncing stopped";
    // A feed at an address that could not be fetched; ": " and a short reason follow.
    static constexpr const char* kStatusCantDownload = "Can't download feed";
    // A feed text that is no feed (CFeedReader::kNotAFeed); ": " and the reason follow.
    // Nothing is imported or removed, and the feed counts as not yet imported.
    static constexpr const char* kStatusCantReadFeed = "Can't read feed";
    // The tick of a calendar's one subscription while that is disabled: nothing is checked.
    static constexpr const char* kStatusFeedDisabled = "Subscription disabled, not syncing";

    // True for "Sync successful", alone or followed by kRemovalsNotPossible and its reason:
    // the event file holds the feed either way.
    static bool IsSyncSuccessful(const std::string& status);
    // True for an outcome text that says a check failed: neither empty, nor a success, nor
    // "Nothing changed", "Feed file is empty", the running "Syncing..." or the texts of
    // switching the feed on and off or of a disabled subscription.
    static bool IsFailure(const std::string& status);

    // Intervals below this many seconds are raised to it when the feed is switched on.
    static constexpr int kMinimumInterval = 5;
    // The longest timer period, in milliseconds; longer intervals are cut to it.
    static constexpr unsigned int kMaximumTimerPeriod = 0x7FFFFFFF;

    // Files, folders, the lock and the settings folder go through `platform`; the feed file
    // and the settings file are read and written by CIniDocument; a feed at an address is
    // fetched through `downloader`. REQUIRES: `view`, `platform` and `downloader` outlive the
    // controller.
    CFeedController(CFeedView& view, CPlatform& platform,
                    CDownloader& downloader = CDownloader::Default());
    virtual ~CFeedController() = default;

    // Start-up: LoadStartupSettings, then StartFeedIfConfigured.
    void Initialize();
    // Builds the settings folder (m_strSettingsFolder) and loads the settings, writing the
    // defaults when the file is missing.
    void LoadStartupSettings();
    // Fills the controls and, when both paths are set, checks "Enable Feed" and switches
    // the feed on. Returns whether it did.
    bool StartFeedIfConfigured();
    // Closing: stops the timer, collects the controls and saves the settings.
    void Close();
    // Collects the controls and saves the settings; returns the result of the save.
    bool SaveSettings();

    // Controls -> m_Settings.
    void CollectSettings();
    // m_Settings -> controls.
    void FillControls();
    // Handler of the "Enable Feed" check box: checked disables the setting controls,
    // collects the settings, raises an interval below kMinimumInterval to it (below
    // CPollSchedule::kMinimumInterval for a feed at an address) and shows it,
    // starts the timer with the interval in milliseconds (at most kMaximumTimerPeriod) and
    // shows "Start syncing..."; unchecked enables them, stops the timer and shows
    // "Syncing stopped".
    void OnEnableFeed();
    // One whole sync cycle; leaves exactly one outcome text in the status field. The event
    // file changes only by being replaced in one step with the merged copy, so it is either
    // as before or completely merged. The lock file beside it (its extension replaced by
    // "lock") is held during the sync and deleted afterwards; the temporary copy is deleted
    // on every path. LastFeedFileTime changes only on "Sync successful" and "Feed file is
    // empty". No exception leaves it: a lack of memory ends the cycle with a failure status.
    //
    // A feed at an address (CFeedAddress) is first downloaded into a temporary file, before
    // anything else: a failure ends the cycle with "Can't download feed: REASON" and changes
    // nothing else. The request is conditional on FeedETag and FeedLastModified; a 304, or a
    // body whose SHA-256 is FeedSha256, ends it with "Nothing changed, not syncing". Otherwise
    // the complete body is read as the feed file would be, and the validators and digest are
    // kept where a file feed would set LastFeedFileTime (which an address leaves alone).
    // While the timer runs, each download failure lengthens its period (CPollSchedule) and a
    // successful download restores the interval.
    void RunSyncCycle();

    // Reads the feed into m_FeedEntries and m_RemoveGuids and sets m_bWholeCalendarFeed:
    // 0 read, -1 cannot be opened, -2 empty, -3 no feed, m_strNotAFeedReason then saying why
    // (lists and flag unchanged on -1, -2 and -3).
    virtual int ReadFeed(const std::string& path);
    // Whether the last ReadFeed returned -1 because memory ran out.
    bool IsFeedOutOfMemory() const { return m_bFeedOutOfMemory; }
    // Whether the last read failed on an incomplete iCalendar file.
    bool IsFeedIncomplete() const { return m_bFeedIncomplete; }
    // Merges the feed lists into the event file at `path` by m_Settings.SyncMode.
    bool MergeFeed(const std::string& path);
    // What the last MergeFeed call did, or why it failed (nothing before the first call).
    const SMergeCounts& GetLastMergeCounts() const { return m_lastMerge; }
    // What the last download of an address brought (a failure Other before the first).
    const SDownloadResult& GetLastDownload() const { return m_lastDownload; }
    // Whether the last cycle fetched an address (GetLastDownload is about that cycle).
    bool WasLastCycleDownload() const { return m_bLastCycleDownload; }
    // Download failures in a row since the last successful download of the feed whose cycle
    // ran last (the subscription of the last RunSubscription, or the one feed).
    int GetDownloadFailures() const;
    // Seconds until the feed whose cycle ran last is tried again by the running timer: the
    // period of the restarted timer for the one feed; for a subscription of several, the
    // time until the first tick at which it is due (its interval or backoff measured on the
    // ticks of the shortest interval). -1 while the timer is stopped.
    std::int64_t GetNextTrySeconds() const;
    // The feed file or address of the cycle that ran last.
    const std::string& GetLastFeedPath() const { return m_strLastFeedPath; }
    // The period of the running timer in milliseconds (0 while it is stopped).
    unsigned int GetTimerPeriodMs() const { return m_bTimerRunning ? m_nTimerPeriodMs : 0; }
    // The last outcome text, without the name of its subscription.
    const std::string& GetLastStatus() const { return m_strLastStatus; }

    // --- Several subscriptions (m_Settings.Subscriptions) ---
    // With several subscriptions each tick of the timer syncs every enabled subscription
    // whose own interval (CSubscription::EffectiveInterval, or its backoff after failed
    // downloads) has passed since its last check, one after the other; the timer runs at the
    // shortest interval. Each sync is a whole cycle of its own (download, lock, temporary
    // copy, replace), so one that fails holds back no other and changes nothing; the status
    // texts are prefixed with the subscription's name and ": ". The calendar then syncs in
    // add mode whatever SyncMode says, since each replace would wipe the others.
    bool HasSeveralFeeds() const { return m_Settings.Subscriptions.Items.size() > 1; }
    // The sync mode that the cycle uses.
    int GetEffectiveSyncMode() const;
    // One cycle of the subscription at `index` now, enabled or not: its working feed loaded
    // from the subscription and kept back into it afterwards, with LastSync (local time),
    // LastStatus and, after an import, Imported, LeftAlone and Applied. Events whose UID
    // an earlier subscription's last import holds are left to that one; an event that left
    // this subscription is removed only when no other subscription's last import holds it.
    void RunSubscription(int index);
    // Unsubscribes the subscription at `index`: unless `keepEvents`, the events of its last
    // import that no other subscription's last import holds leave the calendar (a cycle of
    // removals through the lock and the temporary copy); then its state file is deleted and
    // it leaves the list. Without an event file the events are kept, as there is no calendar
    // to remove them from. Returns the outcome ("Sync successful" when done, the cycle's
    // failure text otherwise, the subscription then staying) and the count removed.
    std::string RemoveSubscription(int index, bool keepEvents, int& removed);
    // The form of the subscription at `index` as its dialog shows it, with what the one feed's
    // cycle changed in it (a raised interval); for -1 (or one past the end) that of a new
    // subscription (enabled, the default interval, nothing else).
    CSubscriptionForm SubscriptionForm(int index);
    // Puts `form` into the list as a new subscription at its end (`index` -1, or one past the
    // end) or in place of the one at `index`, once it passes CSubscriptionForm::Check against
    // the list; returns the field refused, with the reason in `message`, or None. `raised`,
    // when given, tells whether the interval was raised to the least for the source. The
    // working feed is the list's first subscription afterwards. The settings file is not
    // written (SaveSettings). REQUIRES: the feed is off.
    ESubscriptionField SaveSubscription(int index, const CSubscriptionForm& form,
                                        std::string& message, bool* raised = nullptr);
    // The tip of the tray icon: "ZelvaroFeed: " and how many subscriptions there are; when
    // the last status of any is a failure (IsFailure), a second line "Last failure: " with the
    // name and status of the one that failed last.
    std::string TrayTip() const;
    // Called after each cycle of RunSubscription with the subscription's index and its
    // outcome text (without the name).
    std::function<void(int index, const std::string& status)> m_OnFeedSynced;
    // Seconds of a steady clock, by which the subscriptions' intervals are counted; tests
    // replace it.
    static std::int64_t SteadySeconds();
    std::function<std::int64_t()> m_Clock = SteadySeconds;
    // The clock's time at which the subscription at `index` is checked next while the feed
    // runs; none when it is not waited for (the feed off, the subscription disabled).
    std::optional<std::int64_t> NextCheck(int index) const;

    // --- Change notifications ---
    // While the timer runs, a change of a followed feed file brings that file's check
    // forward (CFeedChangeWatch: one folder watch per folder, a settle of 300 ms, at most
    // 2 s): with several subscriptions every enabled file subscription is followed and a
    // change checks only the subscriptions of that file; otherwise the one feed is. Addresses
    // keep their interval, and the timer stays for what sends no notification. A folder that
    // cannot be watched is shown once in the status field (FailureText) and left to the timer.
    // The front-end waits for the timer, GetChangeHandles() or ChangeWaitMs(), whichever
    // comes first, then calls CollectChanges() and, unless the timer is due, RunChangedFeeds().
    //
    // Whether notifications are used (true by default); false ends every watch.
    void EnableChangeNotification(bool enable);
    // Follows the feed files of the current settings (nothing while the timer is stopped),
    // trying again the folders that could not be watched. Switching the feed on or off, each
    // timer tick (RunSyncCycle), SaveSubscription and RemoveSubscription call it; a front-end
    // that changes the list of subscriptions otherwise calls it afterwards.
    void FollowChanges();
    // Reads the notifications that arrived, without waiting.
    void CollectChanges();
    // Milliseconds until RunChangedFeeds has a check to run (0: now); -1 when none waits.
    std::int64_t ChangeWaitMs() const;
    // What to wait on for notifications (CFolderWatch::GetWaitHandle).
    std::vector<std::intptr_t> GetChangeHandles() const { return m_changes.GetWaitHandles(); }
    // Runs the checks that settled changes brought forward: RunSubscription for each enabled
    // subscription of a changed file, or the one feed's RunSyncCycle. Returns how many ran.
    int RunChangedFeeds();
    // Milliseconds of the wall clock since 1970, by which the settles are timed; tests
    // replace it.
    static std::int64_t WallClockMs();
    std::function<std::int64_t()> m_WallClock = WallClockMs;

    CFeedSettings m_Settings;
    std::string m_strSettingsFolder;
    unsigned int m_nTimerId = 0;
    CDateEntryArray m_FeedEntries;
    CStringArray m_RemoveGuids;
    // A request with the user agent ("ZelvaroFeed/" and the version) and the standard limits.
    static SDownloadRequest DownloadDefaults();
    // The user agent and limits of every download; the address, validators, CA file and
    // target are filled in per cycle. Tests shorten the limits.
    SDownloadRequest m_DownloadDefaults;
    // The feed read last is its publisher's whole calendar (iCalendar). Its entries' GUIDs
    // are then kept by each sync in a state file in the settings folder (CImportState), and
    // in add mode the GUIDs of that file that the feed no longer holds join m_RemoveGuids.
    bool m_bWholeCalendarFeed = false;
    bool m_bFeedOutOfMemory = false;
    bool m_bFeedIncomplete = false;
    std::string m_strNotAFeedReason;

protected:
    void SetStatus(const std::string& text);
    // The cycle for a feed at an address.
    void RunAddressSteps(const std::string& eventPath, const std::string& feedPath);
    // Reads the feed from `readPath` (the feed file, or the body downloaded for the address
    // `feedPath`) and syncs it, leaving its outcome in the status field. `onImported` runs when
    // the import counts as done ("Sync successful" or "Feed file is empty"), before the status
    // is set.
    void ImportFeed(const std::string& eventPath, const std::string& feedPath,
                    const std::string& readPath, const std::function<void()>& onImported);
    // Restarts a running timer with a period of `seconds` unless it has that period already.
    void SetPollPeriod(int seconds);
    // The cycle of RunSyncCycle, which lets no std::bad_alloc out of it.
    void RunSyncSteps();
    // The cycle from the lock onwards, on an existing temporary file; returns the outcome.
    // An event file that is the feed file ("Sync failed") is not merged. `onSynced` runs as soon
    // as the event file has been replaced. `state`, when given, is read and kept under the
    // lock around the merge and the replace.
    std::string SyncThroughTempFile(const std::string& eventPath, const std::string& feedPath,
                                    const std::string& tempPath,
                                    const std::function<void()>& onSynced,
                                    CImportState* state = nullptr);
    // SyncThroughTempFile once its lock is held.
    std::string SyncUnderLock(const std::string& eventPath, const std::string& feedPath,
                              const std::string& tempPath, const std::function<void()>& onSynced,
                              CImportState* state);
    // The settle of a feed file whose check starts: a change in the second of its last check
    // makes the check forget the remembered last-write time.
    void OnFileChecked(const std::string& feedPath);
    // Each new failure of a folder watch, in the status field.
    void ShowWatchFailures();
    // The shortest interval of the followed feeds in `failure`'s folder.
    int IntervalOf(const SWatchFailure& failure) const;

    // The settings folder, where the state files lie (looked up when m_strSettingsFolder is
    // not set, as for the console's single sync).
    std::string StateFolder();
    // The subscription whose cycle runs: the one of RunSubscription, or the one subscription
    // that the working feed is; nullptr for a feed of no subscription.
    CSubscription* CurrentSubscription();
    // The last imports of the subscriptions other than the one at `index` (-1: none).
    CSharedGuids OtherImports(int index, const std::string& eventPath);
    // The ticks of several subscriptions: every one that is due.
    void RunDueSubscriptions();

    CFeedView& m_view;
    CPlatform& m_platform;
    CDownloader& m_downloader;
    SMergeCounts m_lastMerge;
    SDownloadResult m_lastDownload;
    bool m_bLastCycleDownload = false;
    CPollSchedule m_poll;
    unsigned int m_nTimerPeriodMs = 0;
    bool m_bTimerRunning = false;
    bool m_bStaleTempFilesRemoved = false;
    std::string m_strLastStatus;
    // The subscription of RunSubscription while it runs; -1 otherwise.
    int m_nCurrentFeed = -1;
    // The merge takes the add mode whatever SyncMode says (several subscriptions, removals).
    bool m_bForceAdd = false;
    // The defaults of the current subscription's last import, while it is merged.
    std::optional<SImportedDefaults> m_replacedDefaults;
    // Per subscription (by index) while the feed runs: its backoff and its next check.
    struct SFeedRun {
        CPollSchedule poll;
        std::int64_t nextCheck = 0;
        int periodSeconds = 0;
    };
    std::vector<SFeedRun> m_runs;
    // The clock's time of the last tick of several subscriptions (or of switching the feed
    // on): the ticks that follow come one timer period apart from it.
    std::int64_t m_lastTick = 0;
    // The subscription of the last RunSubscription; -1 after a cycle of the one feed.
    int m_nLastFeed = -1;
    std::string m_strLastFeedPath;
    CFeedChangeWatch m_changes;
    bool m_bNotify = true;
};
