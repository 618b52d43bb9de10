#include "app/FeedSettings.h"

#include <utility>

#include "platform/Platform.h"

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

constexpr std::int32_t kDefaultSyncMode = 0;
constexpr std::int32_t kDefaultCheckFeedInterval = 30;

}  // namespace

bool CFeedSettings::LoadSettings(const std::string& path) {
    const bool loaded = m_document.Load(path);
    SharedFilePath = m_document.GetString(kSection, kSharedFilePath, std::string());
    FeedFilePath = m_document.GetString(kSection, kFeedFilePath, std::string());
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
    m_document.SetString(kSection, kFeedFilePath, FeedFilePath);
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
    return m_document.Save(path);
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
    if (!platform.FileExists(folder)) platform.CreateDirectory(folder);
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
