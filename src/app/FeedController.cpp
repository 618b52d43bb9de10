#include "app/FeedController.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "app/FeedSettings.h"
#include "feed/FeedReader.h"
#include "feed/IniDocument.h"
#include "feed/Sha256.h"
#include "platform/FileRemover.h"
#include "platform/Platform.h"
#include "sync/EventFileLock.h"
#include "sync/EventMerge.h"
#include "sync/FeedAddress.h"
#include "sync/FeedDownload.h"
#include "sync/ImportState.h"
#include "sync/ImportedGuids.h"

namespace {

// Setting controls in the order in which switching the feed enables or disables them.
constexpr EFeedControl kSettingControls[] = {
    EFeedControl::BrowseShared, EFeedControl::BrowseFeed, EFeedControl::ModeAdd,
    EFeedControl::ModeReplace,  EFeedControl::Interval,   EFeedControl::FeedFile,
    EFeedControl::SharedFile,
};

// A timer period in milliseconds, cut to what the timer accepts.
unsigned int PeriodMs(int seconds) {
    return static_cast<unsigned int>(std::clamp<std::int64_t>(
        std::int64_t{seconds} * 1000, 0, CFeedController::kMaximumTimerPeriod));
}

// The SHA-256 of the file's bytes as hexadecimal digits; false when it cannot be read.
bool DigestOf(CPlatform& platform, const std::string& path, std::string& digest) {
    const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::Read);
    if (!file) return false;
    CSha256 sha;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::size_t read = 0;
        if (!file->Read(buffer.data(), buffer.size(), read)) return false;
        if (read == 0) break;
        sha.Update(std::string_view(buffer.data(), read));
    }
    digest = CSha256::ToHex(sha.Finish());
    return true;
}

}  // namespace

CFeedController::CFeedController(CFeedView& view, CPlatform& platform, CDownloader& downloader)
    : m_Settings(platform),
      m_DownloadDefaults(DownloadDefaults()),
      m_view(view),
      m_platform(platform),
      m_downloader(downloader) {}

SDownloadRequest CFeedController::DownloadDefaults() {
    SDownloadRequest request;
    request.userAgent = "ZelvaroFeed/" ZF_VERSION;
    return request;
}

void CFeedController::Initialize() {
    LoadStartupSettings();
    StartFeedIfConfigured();
}

void CFeedController::LoadStartupSettings() {
    CFeedSettings::GetSettingsFolder(m_platform, m_strSettingsFolder);
    m_Settings.LoadAtStartup(m_strSettingsFolder);
}

bool CFeedController::StartFeedIfConfigured() {
    FillControls();
    if (m_Settings.FeedFilePath.empty() || m_Settings.SharedFilePath.empty()) return false;
    m_view.SetControlChecked(EFeedControl::EnableFeed, true);
    OnEnableFeed();
    return true;
}

void CFeedController::Close() {
    m_view.StopTimer(m_nTimerId);
    m_bTimerRunning = false;
    CollectSettings();
    m_Settings.SaveSettings(std::string());
}

void CFeedController::CollectSettings() {
    m_Settings.SharedFilePath = m_view.GetControlText(EFeedControl::SharedFile);
    std::string feed = m_view.GetControlText(EFeedControl::FeedFile);
    if (feed != m_Settings.FeedFilePath) m_Settings.ForgetFeedValidators();
    m_Settings.FeedFilePath = std::move(feed);
    m_Settings.SyncMode = m_view.IsControlChecked(EFeedControl::ModeAdd)
                              ? CEventMerge::kAddAndUpdate
                              : CEventMerge::kReplaceAll;
    m_Settings.CheckFeedInterval =
        CIniDocument::ConvertInt(m_view.GetControlText(EFeedControl::Interval));
}

void CFeedController::FillControls() {
    m_view.SetControlText(EFeedControl::SharedFile, m_Settings.SharedFilePath);
    m_view.SetControlText(EFeedControl::FeedFile, m_Settings.FeedFilePath);
    const bool add = m_Settings.SyncMode == CEventMerge::kAddAndUpdate;
    m_view.SetControlChecked(EFeedControl::ModeAdd, add);
    m_view.SetControlChecked(EFeedControl::ModeReplace, !add);
    m_view.SetControlText(EFeedControl::Interval, std::to_string(m_Settings.CheckFeedInterval));
}

void CFeedController::OnEnableFeed() {
    const bool enabled = m_view.IsControlChecked(EFeedControl::EnableFeed);
    for (const EFeedControl control : kSettingControls) m_view.EnableControl(control, !enabled);

    if (!enabled) {
        m_view.StopTimer(m_nTimerId);
        m_bTimerRunning = false;
        SetStatus(kStatusStopped);
        return;
    }
    CollectSettings();
    const int minimum = CFeedAddress::IsAddress(m_Settings.FeedFilePath)
                            ? CPollSchedule::kMinimumInterval
                            : kMinimumInterval;
    if (m_Settings.CheckFeedInterval < minimum) {
        m_Settings.CheckFeedInterval = minimum;
        m_view.SetControlText(EFeedControl::Interval, std::to_string(minimum));
    }
    m_poll = CPollSchedule();
    m_nTimerPeriodMs = PeriodMs(m_Settings.CheckFeedInterval);
    m_nTimerId = m_view.StartTimer(m_nTimerPeriodMs);
    m_bTimerRunning = m_nTimerId != 0;
    SetStatus(kStatusStarted);
}

void CFeedController::RunSyncCycle() {
    try {
        RunSyncSteps();
    } catch (const std::bad_alloc&) {
        // The feed reading and the merge report a lack of memory themselves; this is one in
        // the steps around them, whose lock and temporary file are gone again by now.
        SetStatus(kStatusSyncFailed);
    }
}

void CFeedController::RunSyncSteps() {
    const std::string eventPath = m_Settings.SharedFilePath;
    const std::string feedPath = m_Settings.FeedFilePath;
    m_bLastCycleDownload = CFeedAddress::IsAddress(feedPath);
    if (m_bLastCycleDownload) {
        RunAddressSteps(eventPath, feedPath);
        return;
    }

    CivilTime modified;
    switch (m_platform.GetLastWriteTimeUtc(feedPath, modified)) {
        case EFileTimeResult::Ok:
            break;
        case EFileTimeResult::NotFound:
            SetStatus(kStatusCantAccessFeed);
            return;
        case EFileTimeResult::Unconvertible:
            SetStatus(kStatusCantDetermineTime);
            return;
    }
    const CDateTime feedTime(modified.year, modified.month, modified.day, modified.hour,
                             modified.minute, modified.second);
    if (feedTime == m_Settings.LastFeedFileTime) {
        SetStatus(kStatusNothingChanged);
        return;
    }

    ImportFeed(eventPath, feedPath, feedPath,
               [this, &feedTime] { m_Settings.LastFeedFileTime = feedTime; });
}

void CFeedController::RunAddressSteps(const std::string& eventPath, const std::string& feedPath) {
    SDownloadRequest request = m_DownloadDefaults;
    request.etag = m_Settings.FeedETag;
    request.lastModified = m_Settings.FeedLastModified;
    request.caFile = m_Settings.FeedCaFile;
    CFeedDownload download(m_platform, m_downloader);
    m_lastDownload = download.Fetch(feedPath, request);
    if (m_lastDownload.failure != EDownloadFailure::None) {
        SetPollPeriod(
            m_poll.OnFailure(m_Settings.CheckFeedInterval, m_lastDownload.retryAfterSeconds));
        SetStatus(std::string(kStatusCantDownload) + ": " + m_lastDownload.Reason());
        return;
    }
    SetPollPeriod(m_poll.OnSuccess(m_Settings.CheckFeedInterval));
    if (m_lastDownload.NotModified()) {
        SetStatus(kStatusNothingChanged);
        return;
    }

    std::string digest;
    if (!DigestOf(m_platform, download.GetPath(), digest)) {
        SetStatus(kStatusCantOpenFeed);
        return;
    }
    const auto keepValidators = [this, &digest] {
        m_Settings.FeedETag = m_lastDownload.etag;
        m_Settings.FeedLastModified = m_lastDownload.lastModified;
        m_Settings.FeedSha256 = digest;
    };
    if (digest == m_Settings.FeedSha256) {
        keepValidators();
        SetStatus(kStatusNothingChanged);
        return;
    }
    ImportFeed(eventPath, feedPath, download.GetPath(), keepValidators);
}

void CFeedController::SetPollPeriod(int seconds) {
    const unsigned int periodMs = PeriodMs(seconds);
    if (!m_bTimerRunning || periodMs == m_nTimerPeriodMs) return;
    m_view.StopTimer(m_nTimerId);
    m_nTimerPeriodMs = periodMs;
    m_nTimerId = m_view.StartTimer(periodMs);
    m_bTimerRunning = m_nTimerId != 0;
}

void CFeedController::ImportFeed(const std::string& eventPath, const std::string& feedPath,
                                 const std::string& readPath,
                                 const std::function<void()>& onImported) {
    switch (ReadFeed(readPath)) {
        case CFeedReader::kCantOpen:
            SetStatus(kStatusCantOpenFeed);
            return;
        case CFeedReader::kEmpty:
            onImported();
            SetStatus(kStatusFeedEmpty);
            return;
        case CFeedReader::kNotAFeed:
            SetStatus(std::string(kStatusCantReadFeed) + ": " + m_strNotAFeedReason);
            return;
        default:
            break;
    }

    SetStatus(kStatusSyncing);
    std::string tempFolder;
    std::string tempPath;
    if (!m_platform.GetTempFolder(tempFolder) ||
        !m_platform.CreateTempFile(tempFolder, "dat", tempPath)) {
        SetStatus(kStatusCantCreateTemp);
        return;
    }
    if (!m_bStaleTempFilesRemoved) {
        // What killed runs of this program left there, as large as the event file each.
        m_platform.RemoveStaleTempFiles(tempFolder);
        m_bStaleTempFilesRemoved = true;
    }
    const CFileRemover removeTemp(m_platform, std::move(tempPath));
    std::unique_ptr<CImportState> state;
    if (m_bWholeCalendarFeed) {
        std::string folder = m_strSettingsFolder;
        if (folder.empty()) CFeedSettings::GetSettingsFolder(m_platform, folder);
        state = std::make_unique<CImportState>(m_platform, folder, feedPath, eventPath,
                                               CImportedGuids::Of(m_FeedEntries));
    }
    std::string status =
        SyncThroughTempFile(eventPath, feedPath, removeTemp.GetPath(), onImported, state.get());
    if (state && status == kStatusSyncSuccessful && !state->GetProblem().empty()) {
        status += std::string(kRemovalsNotPossible) + state->GetProblem();
    }
    SetStatus(status);
}

bool CFeedController::IsSyncSuccessful(const std::string& status) {
    const std::string_view text = status;
    const std::string_view success = kStatusSyncSuccessful;
    return text.starts_with(success) &&
           (text.size() == success.size() ||
            text.substr(success.size()).starts_with(kRemovalsNotPossible));
}

std::string CFeedController::SyncThroughTempFile(const std::string& eventPath,
                                                 const std::string& feedPath,
                                                 const std::string& tempPath,
                                                 const std::function<void()>& onSynced,
                                                 CImportState* state) {
    CEventFileLock lock(m_platform, eventPath);
    if (!lock.Take()) return kStatusCantLock;

    std::string status;
    if (!m_platform.CopyFile(eventPath, tempPath)) {
        status = kStatusCantCreateTemp;
    } else if (m_platform.IsSameFile(eventPath, feedPath)) {
        // The merged calendar would overwrite the feed it came from.
        status = kStatusSyncFailed;
    } else {
        if (state != nullptr) {
            state->Prepare(m_Settings.SyncMode == CEventMerge::kAddAndUpdate, m_RemoveGuids);
        }
        if (!MergeFeed(tempPath)) {
            status = kStatusSyncFailed;
        } else if (!m_platform.ReplaceFileWithCopy(tempPath, eventPath)) {
            status = kStatusCantCopyBack;
        } else {
            status = kStatusSyncSuccessful;
            if (state != nullptr) state->Commit();
            onSynced();
        }
    }
    return status;
}

int CFeedController::ReadFeed(const std::string& path) {
    return CFeedReader::ReadFeed(path, m_FeedEntries, m_RemoveGuids, &m_bFeedOutOfMemory,
                                 &m_bWholeCalendarFeed, &m_bFeedIncomplete, &m_strNotAFeedReason);
}

bool CFeedController::MergeFeed(const std::string& path) {
    return CEventMerge::MergeFeed(m_platform, path, m_FeedEntries, m_RemoveGuids,
                                  m_Settings.SyncMode, &m_lastMerge);
}

void CFeedController::SetStatus(const std::string& text) {
    m_view.SetControlText(EFeedControl::Status, text);
}
