#include "app/FeedSettings.h"

#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "sync/FeedAddress.h"

namespace {

const std::string kSection = "Settings";
const std::string kSharedFilePath = "SharedFilePath";
const std::string kFeedFilePath = "FeedFilePath";
const std::string kSyncMode = "SyncMode";
const std::string kCheckFeedInterval = "CheckFeedInterval";
const std::string kLastFeedFileTime = "LastFeedFileTime";
const CDateTime kDefaultFeedFileTime(2000, 1, 1);
const std::string kFeedCaFile = "FeedCaFile";
const std::string kFeedETag = "FeedETag";
const std::string kFeedLastModified = "FeedLastModified";
const std::string kFeedSha256 = "FeedSha256";
// The password of a feed address, encrypted for the user (CPlatform::ProtectSecret), where the
// system can: FeedFilePath then holds the address without it.
const std::string kFeedPassword = "FeedPasswordProtected";

constexpr std::int32_t kDefaultSyncMode = 0;
constexpr std::int32_t kDefaultCheckFeedInterval = 30;

}  // namespace

bool CFeedSettings::LoadSettings(const std::string& path) {
    const bool loaded = m_document.Load(path);
    SharedFilePath = m_document.GetString(kSection, kSharedFilePath, std::string());
    SyncMode = m_document.GetInt(kSection, kSyncMode, kDefaultSyncMode);
    m_bUpgraded = Subscriptions.Read(m_document, kSection);
    RevealPasswords();
    if (!Subscriptions.Items.empty()) {
        SelectWorkingFeed();
        return loaded;
    }
    // No subscription: what the previous version's keys say, defaults for the rest.
    FeedFilePath = m_document.GetString(kSection, kFeedFilePath, std::string());
    CheckFeedInterval = m_document.GetInt(kSection, kCheckFeedInterval, kDefaultCheckFeedInterval);
    LastFeedFileTime = m_document.GetDateTime(kSection, kLastFeedFileTime, kDefaultFeedFileTime);
    FeedCaFile = m_document.GetString(kSection, kFeedCaFile, std::string());
    FeedETag = m_document.GetString(kSection, kFeedETag, std::string());
    FeedLastModified = m_document.GetString(kSection, kFeedLastModified, std::string());
    FeedSha256 = m_document.GetString(kSection, kFeedSha256, std::string());
    return loaded;
}

bool CFeedSettings::SaveSettings(const std::string& path) {
    FoldWorkingFeed();
    m_document.SetString(kSection, kSharedFilePath, SharedFilePath);
    m_document.SetInt(kSection, kSyncMode, SyncMode);
    Subscriptions.Write(m_document, kSection);
    ProtectPasswords();
    if (path.empty() && m_bFileLeftAlone) return false;
    const std::string file = path.empty() ? m_document.GetPath() : path;
    // Before the write where the file exists, so that a secret never lands in a file others
    // may read; after it for a new one, which its 0700 folder hides meanwhile.
    if (m_platform.FileExists(file)) m_platform.RestrictToOwner(file);
    const bool saved = m_document.Save(path);
    if (saved) m_platform.RestrictToOwner(file);
    return saved;
}

void CFeedSettings::RevealPasswords() {
    // The previous version kept the one feed's password beside FeedFilePath in "Settings".
    const bool legacy = m_bUpgraded && Subscriptions.Items.size() == 1;
    for (std::size_t i = 0; i < Subscriptions.Items.size(); ++i) {
        const std::string section = CSubscriptionList::SectionName(i);
        const std::string stored =
            legacy ? m_document.GetString(kSection, kFeedPassword, std::string())
                   : m_document.GetString(section, CSubscription::kSourcePassword, std::string());
        std::string password;
        if (!stored.empty() && m_platform.UnprotectSecret(stored, password)) {
            CSubscription& item = Subscriptions.Items[i];
            item.Source = CFeedAddress::WithPassword(item.Source, password);
        }
    }
}

void CFeedSettings::ProtectPasswords() {
    m_document.RemoveKey(kSection, kFeedPassword);
    for (std::size_t i = 0; i < Subscriptions.Items.size(); ++i) {
        const std::string section = CSubscriptionList::SectionName(i);
        const std::string& source = Subscriptions.Items[i].Source;
        std::string address;
        std::string password;
        std::string protectedPassword;
        // Where the system cannot encrypt, the password stays in a file its owner alone may read.
        if (CFeedAddress::SplitPassword(source, address, password) &&
            m_platform.ProtectSecret(password, protectedPassword)) {
            m_document.SetString(section, CSubscription::kSourceKey, address);
            m_document.SetString(section, CSubscription::kSourcePassword, protectedPassword);
        } else {
            m_document.RemoveKey(section, CSubscription::kSourcePassword);
        }
    }
}

void CFeedSettings::SelectWorkingFeed() {
    const CSubscription first =
        Subscriptions.Items.empty() ? CSubscription() : Subscriptions.Items.front();
    FeedFilePath = first.Source;
    CheckFeedInterval = first.Interval;
    LastFeedFileTime = first.LastFeedFileTime;
    FeedCaFile = first.CaFile;
    FeedETag = first.ETag;
    FeedLastModified = first.LastModified;
    FeedSha256 = first.Sha256;
}

void CFeedSettings::FoldWorkingFeed() {
    std::vector<CSubscription>& items = Subscriptions.Items;
    if (items.size() > 1) return;
    if (FeedFilePath.empty()) {
        items.clear();
        return;
    }
    if (items.empty()) {
        items.emplace_back();
        items.front().Name = CSubscription::DefaultName(FeedFilePath);
    }
    CSubscription& feed = items.front();
    feed.Source = FeedFilePath;
    feed.Interval = CheckFeedInterval;
    feed.LastFeedFileTime = LastFeedFileTime;
    feed.CaFile = FeedCaFile;
    feed.ETag = FeedETag;
    feed.LastModified = FeedLastModified;
    feed.Sha256 = FeedSha256;
}

CSubscription* CFeedSettings::WorkingSubscription() {
    std::vector<CSubscription>& items = Subscriptions.Items;
    if (items.size() != 1 || items.front().Source != FeedFilePath) return nullptr;
    return &items.front();
}

void CFeedSettings::ForgetFeedValidators() {
    FeedETag.clear();
    FeedLastModified.clear();
    FeedSha256.clear();
}

void CFeedSettings::ForgetFeedFileTime() {
    LastFeedFileTime = kDefaultFeedFileTime;
}

bool CFeedSettings::GetSettingsFolder(CPlatform& platform, std::string& folder) {
    folder.clear();
    std::string appData;
    if (!platform.GetAppDataFolder(appData) || appData.empty()) return false;
    const char separator = platform.PathSeparator();
    if (appData.back() != separator) appData += separator;
    folder = appData + "ZelvaroFeed" + separator;
    // A folder that cannot be created makes every load and save fail later, which leaves
    // the program on its defaults.
    if (!platform.FileExists(folder) && platform.CreateDirectory(folder)) {
        platform.RestrictToOwner(folder);
    }
    return true;
}

std::string CFeedSettings::GetSettingsFile(const std::string& folder) {
    return folder.empty() ? std::string() : folder + "Settings.ini";
}

void CFeedSettings::LoadAtStartup(const std::string& folder) {
    const std::string file = GetSettingsFile(folder);
    m_bFileLeftAlone = false;
    if (LoadSettings(file) || file.empty()) return;
    if (m_platform.FileExists(file)) {
        m_bFileLeftAlone = true;
    } else {
        SaveSettings(std::string());
    }
}
