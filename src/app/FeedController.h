// The state and operations of the control window that do not depend on a window: settings,
// the feed lists, the timer and the status field, reached through a CFeedView.
#pragma once

#include <string>

#include "app/FeedSettings.h"
#include "app/FeedView.h"
#include "archive/Array.h"
#include "store/DateEntry.h"
#include "sync/EventMerge.h"

class CPlatform;

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
    static constexpr const char* kStatusStarted = "Start syncing...";
    static constexpr const char* kStatusStopped = "Syncing stopped";

    // Intervals below this many seconds are raised to it when the feed is switched on.
    static constexpr int kMinimumInterval = 5;
    // The longest timer period, in milliseconds; longer intervals are cut to it.
    static constexpr unsigned int kMaximumTimerPeriod = 0x7FFFFFFF;

    // Files, folders, the lock and the settings folder go through `platform`; the feed file
    // and the settings file are read and written by CIniDocument. REQUIRES: `view` and
    // `platform` outlive the controller.
    CFeedController(CFeedView& view, CPlatform& platform);
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

    // Controls -> m_Settings.
    void CollectSettings();
    // m_Settings -> controls.
    void FillControls();
    // Handler of the "Enable Feed" check box: checked disables the setting controls,
    // collects the settings, raises an interval below kMinimumInterval to it (and shows it),
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
    void RunSyncCycle();

    // Reads the feed into m_FeedEntries and m_RemoveGuids and sets m_bWholeCalendarFeed:
    // 0 read, -1 cannot be opened, -2 empty (lists and flag unchanged on -1 and -2).
    virtual int ReadFeed(const std::string& path);
    // Whether the last ReadFeed returned -1 because memory ran out.
    bool IsFeedOutOfMemory() const { return m_bFeedOutOfMemory; }
    // Whether the last read failed on an incomplete iCalendar file.
    bool IsFeedIncomplete() const { return m_bFeedIncomplete; }
    // Merges the feed lists into the event file at `path` by m_Settings.SyncMode.
    bool MergeFeed(const std::string& path);
    // What the last MergeFeed call did, or why it failed (nothing before the first call).
    const SMergeCounts& GetLastMergeCounts() const { return m_lastMerge; }

    CFeedSettings m_Settings;
    std::string m_strSettingsFolder;
    unsigned int m_nTimerId = 0;
    CDateEntryArray m_FeedEntries;
    CStringArray m_RemoveGuids;
    // The feed read last is its publisher's whole calendar (iCalendar). Its entries' GUIDs
    // are then kept after each successful sync in a state file in the settings folder
    // (CImportedGuids, named from the feed and event-file paths), and in add mode the GUIDs
    // of that file that the feed no longer holds join m_RemoveGuids.
    bool m_bWholeCalendarFeed = false;
    bool m_bFeedOutOfMemory = false;
    bool m_bFeedIncomplete = false;

protected:
    void SetStatus(const std::string& text);
    // The cycle of RunSyncCycle, which lets no std::bad_alloc out of it.
    void RunSyncSteps();
    // The cycle from the lock onwards, on an existing temporary file; returns the outcome.
    // An event file that is the feed file ("Sync failed") is not merged.
    std::string SyncThroughTempFile(const std::string& eventPath, const std::string& feedPath,
                                    const std::string& tempPath, const CDateTime& feedTime);

    // The state file of the feed's imported GUIDs, in the settings folder (looked up when
    // m_strSettingsFolder is not set, as for the console's single sync).
    std::string ImportedGuidsPath(const std::string& feedPath, const std::string& eventPath);

    CFeedView& m_view;
    CPlatform& m_platform;
    SMergeCounts m_lastMerge;
};
