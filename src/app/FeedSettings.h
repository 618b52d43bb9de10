// The user's settings, kept in "Settings.ini": the calendar's in section "Settings", each
// subscription's in a section "Feed N" (CSubscriptionList).
#pragma once

#include <cstdint>
#include <string>

#include "app/SubscriptionList.h"
#include "datetime/DateTime.h"
#include "ini/IniDocument.h"

class CPlatform;

// File form, section "Settings" (defaults for a missing key or an empty value):
//   SharedFilePath                escaped text        ""
//   SyncMode                      "%d"                0
// and one section per subscription (CSubscriptionList, CSubscription).
//
// The working feed: FeedFilePath, CheckFeedInterval, LastFeedFileTime, FeedCaFile and the
// validators are the feed that the cycle syncs when the list holds at most one subscription
// (the previous version kept them in "Settings", and a settings file of that form is read
// into them and into the list's one subscription). Loading takes them from the first
// subscription; saving with at most one subscription makes them the list's one
// subscription again (none when FeedFilePath is empty). With several subscriptions they are
// the first one's copy and saving leaves the list alone. For a feed at an address, FeedETag
// and FeedLastModified are the validators of the download imported last and FeedSha256 the
// digest of its body (64 hex digits); they take the place of LastFeedFileTime. FeedCaFile
// names a PEM file of CAs trusted beside the system's. Nothing is range-checked. Keys and
// sections the program does not know survive a save.
class CFeedSettings {
public:
    // The platform names the settings folder and tells whether the settings file exists;
    // the file itself is read and written by CIniDocument. REQUIRES: `platform` outlives
    // the settings.
    explicit CFeedSettings(CPlatform& platform) : m_platform(platform) {}
    virtual ~CFeedSettings() = default;

    // Loads the document from `path` (remembering the path even on failure), then sets all
    // members, defaults for what is missing. Returns the result of the load.
    bool LoadSettings(const std::string& path);
    // Writes the members into the document and saves it; an empty `path` saves to the
    // remembered path, except when IsFileLeftAlone: then nothing is written and the result is
    // false. Returns the result of the save.
    bool SaveSettings(const std::string& path);

    // The settings folder: the user's application-data folder, a separator, "ZelvaroFeed"
    // and a separator. Creates the folder (one level) when it does not exist. False, with
    // `folder` empty, when `platform` names no application-data folder.
    static bool GetSettingsFolder(CPlatform& platform, std::string& folder);
    // `folder` followed by "Settings.ini"; empty when `folder` is empty.
    static std::string GetSettingsFile(const std::string& folder);
    // Start-up: loads the settings file in `folder`. Only when that file does not exist are
    // the defaults written into a new one at once. A file that exists but could not be
    // loaded (another program holds it, it is unreadable, it is no regular file) is left
    // alone for the life of this record: neither now nor by a later SaveSettings to the
    // remembered path is it replaced. With an empty `folder` (no application-data folder)
    // the defaults are used and nothing is ever saved.
    void LoadAtStartup(const std::string& folder);
    // True when LoadAtStartup found a settings file that it could not load, so the record
    // runs on the defaults and never saves over that file.
    bool IsFileLeftAlone() const { return m_bFileLeftAlone; }

    std::string SharedFilePath;
    std::string FeedFilePath;
    std::int32_t SyncMode = 0;           // 0: add and update entries; otherwise replace all entries
    std::int32_t CheckFeedInterval = 0;  // seconds
    CDateTime LastFeedFileTime;          // UTC, to the second
    std::string FeedCaFile;
    std::string FeedETag;
    std::string FeedLastModified;
    std::string FeedSha256;

    // Forgets the validators and digest of the last download: they belong to one address.
    void ForgetFeedValidators();
    // Puts LastFeedFileTime back to its default (that of a fresh installation), so that the
    // next check imports the feed file whatever its last-write time: for when a change may
    // have kept the time of the last import.
    void ForgetFeedFileTime();

    // The subscriptions in the user's order.
    CSubscriptionList Subscriptions;
    // True when the last LoadSettings read the previous version's one feed into the list.
    bool WasUpgraded() const { return m_bUpgraded; }
    // The working feed from the first subscription (defaults without one); after changes
    // made to the list itself.
    void SelectWorkingFeed();
    // The list's one subscription from the working feed, when the list holds at most one.
    void FoldWorkingFeed();
    // The subscription that the working feed is: the list's only one, when its source is
    // FeedFilePath; nullptr otherwise.
    CSubscription* WorkingSubscription();

private:
    CPlatform& m_platform;
    CIniDocument m_document;
    bool m_bFileLeftAlone = false;
    bool m_bUpgraded = false;

    // The subscriptions' encrypted passwords put back into their addresses after a load, and
    // taken out again into their own key after the list is written.
    void RevealPasswords();
    void ProtectPasswords();
};
