#include "app/FeedSettings.h"

#include <utility>

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
    FeedFilePath = m_document.GetString(kSection, kFeedFilePath, std::string());
    std::string password;
    if (m_platform.UnprotectSecret(m_document.GetString(kSection, kFeedPassword, std::string()),
                                   password)) {
        FeedFilePath = CFeedAddress::WithPassword(FeedFilePath, password);
    }
    SyncMode = m_document.GetInt(kSection, kSyncMode, kDefaultSyncMode);
    CheckFeedInterval = m_document.GetInt(kSection, kCheckFeedInterval, kDefaultCheckFeedInterval);
    LastFeedFileTime = m_document.GetDateTime(kSection, kLastFeedFileTime, kDefaultFeedFileTime);
    FeedCaFile = m_document.GetString(kSection, kFeedCaFile, std::string());
    FeedETag = m_document.GetString(kSection, kFeedETag, std::string());
    FeedLastModified = m_document.GetString(kSection, kFeedLastModified, std::string());
    FeedSha256 = m_document.GetString(kSection, kFeedSha256, std::string());
    return loaded;
}

bool CFeedSettings::SaveSettings(const std::string& path) {
    m_document.SetString(kSection, kSharedFilePath, SharedFilePath);
    std::string address = FeedFilePath;
    std::string password;
    std::string protectedPassword;
    if (CFeedAddress::SplitPassword(FeedFilePath, address, password) &&
        !m_platform.ProtectSecret(password, protectedPassword)) {
        address = FeedFilePath;  // kept in a file that its owner alone may read
    }
    m_document.SetString(kSection, kFeedFilePath, address);
    if (!protectedPassword.empty() || m_document.HasKey(kSection, kFeedPassword)) {
        m_document.SetString(kSection, kFeedPassword, protectedPassword);
    }
    m_document.SetInt(kSection, kSyncMode, SyncMode);
    m_document.SetInt(kSection, kCheckFeedInterval, CheckFeedInterval);
    m_document.SetDateTime(kSection, kLastFeedFileTime, LastFeedFileTime);
    // A file feed's settings file keeps the five keys it always had.
    for (const auto& [key, value] :
         {std::pair{&kFeedCaFile, &FeedCaFile}, std::pair{&kFeedETag, &FeedETag},
          std::pair{&kFeedLastModified, &FeedLastModified}, std::pair{&kFeedSha256, &FeedSha256}}) {
        if (!value->empty() || m_document.HasKey(kSection, *key)) {
            m_document.SetString(kSection, *key, *value);
        }
    }
    if (path.empty() && m_bFileLeftAlone) return false;
    const std::string file = path.empty() ? m_document.GetPath() : path;
    // Before the write where the file exists, so that a secret never lands in a file others
    // may read; after it for a new one, which its 0700 folder hides meanwhile.
    if (m_platform.FileExists(file)) m_platform.RestrictToOwner(file);
    const bool saved = m_document.Save(path);
    if (saved) m_platform.RestrictToOwner(file);
    return saved;
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
