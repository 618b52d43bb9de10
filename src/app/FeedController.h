// The state and operations of the control window that do not depend on a window: settings,
// the feed lists, the timer and the status field, reached through a CFeedView.
#pragma once

#include <string>

#include "app/FeedSettings.h"
#include "app/FeedView.h"
#include "store/Array.h"
#include "store/DateEntry.h"

class CFeedController {
public:
    explicit CFeedController(CFeedView& view);
    virtual ~CFeedController() = default;

    // Start-up: builds the settings folder, loads the settings (writing the defaults when
    // the file is missing), fills the controls and switches the feed on when both paths
    // are set.
    void Initialize();
    // Closing: stops the timer, collects the controls and saves the settings.
    void Close();

    // Controls -> m_Settings.
    void CollectSettings();
    // m_Settings -> controls.
    void FillControls();
    // Handler of the "Enable Feed" check box.
    void OnEnableFeed();
    // One whole sync cycle; leaves exactly one outcome text in the status field.
    void RunSyncCycle();

    // Reads the feed into m_FeedEntries and m_RemoveGuids: 0 read, -1 cannot be opened,
    // -2 empty (lists unchanged on -1 and -2).
    int ReadFeed(const std::string& path);
    // Merges the feed lists into the event file at `path` by m_Settings.SyncMode.
    bool MergeFeed(const std::string& path);

    CFeedSettings m_Settings;
    std::string m_strSettingsFolder;
    unsigned int m_nTimerId = 0;
    CDateEntryArray m_FeedEntries;
    CStringArray m_RemoveGuids;

protected:
    CFeedView& m_view;
};
