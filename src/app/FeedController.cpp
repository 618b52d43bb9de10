#include "app/FeedController.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/FeedSettings.h"
#include "app/SubscriptionForm.h"
#include "digest/Sha256.h"
#include "feed/FeedReader.h"
#include "ini/IniDocument.h"
#include "platform/FileRemover.h"
#include "platform/Platform.h"
#include "sync/EventFileLock.h"
#include "sync/EventMerge.h"
#include "sync/FeedAddress.h"
#include "sync/FeedDownload.h"
#include "sync/ImportState.h"
#include "sync/ImportedGuids.h"
#include "sync/SharedGuids.h"

namespace {

// Setting controls in the order in which switching the feed enables or disables them.
constexpr EFeedControl kSettingControls[] = {
    EFeedControl::BrowseShared, EFeedControl::BrowseFeed,    EFeedControl::ModeAdd,
    EFeedControl::ModeReplace,  EFeedControl::Interval,      EFeedControl::FeedFile,
    EFeedControl::SharedFile,   EFeedControl::Subscriptions, EFeedControl::AddFeed,
    EFeedControl::EditFeed,     EFeedControl::RemoveFeed,
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
      m_downloader(downloader),
      m_changes(platform) {}

std::int64_t CFeedController::SteadySeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t CFeedController::WallClockMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

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
    FollowChanges();
    SaveSettings();
}

bool CFeedController::SaveSettings() {
    CollectSettings();
    return m_Settings.SaveSettings(std::string());
}

void CFeedController::CollectSettings() {
    m_Settings.SharedFilePath = m_view.GetControlText(EFeedControl::SharedFile);
    m_Settings.SyncMode = m_view.IsControlChecked(EFeedControl::ModeAdd)
                              ? CEventMerge::kAddAndUpdate
                              : CEventMerge::kReplaceAll;
    if (m_view.ShowsSubscriptions()) return;
    std::string feed = m_view.GetControlText(EFeedControl::FeedFile);
    if (feed != m_Settings.FeedFilePath) m_Settings.ForgetFeedValidators();
    m_Settings.FeedFilePath = std::move(feed);
    m_Settings.CheckFeedInterval =
        CIniDocument::ConvertInt(m_view.GetControlText(EFeedControl::Interval));
}

void CFeedController::FillControls() {
    m_view.SetControlText(EFeedControl::SharedFile, m_Settings.SharedFilePath);
    const bool add = m_Settings.SyncMode == CEventMerge::kAddAndUpdate;
    m_view.SetControlChecked(EFeedControl::ModeAdd, add);
    m_view.SetControlChecked(EFeedControl::ModeReplace, !add);
    if (m_view.ShowsSubscriptions()) return;
    m_view.SetControlText(EFeedControl::FeedFile, m_Settings.FeedFilePath);
    m_view.SetControlText(EFeedControl::Interval, std::to_string(m_Settings.CheckFeedInterval));
}

CSubscriptionForm CFeedController::SubscriptionForm(int index) {
    m_Settings.FoldWorkingFeed();
    const std::vector<CSubscription>& items = m_Settings.Subscriptions.Items;
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        return CSubscriptionForm::Of(CSubscription());
    }
    return CSubscriptionForm::Of(items[static_cast<std::size_t>(index)]);
}

ESubscriptionField CFeedController::SaveSubscription(int index, const CSubscriptionForm& form,
                                                     std::string& message, bool* raised) {
    // The one feed's state lives in the working feed until it is folded into its subscription.
    m_Settings.FoldWorkingFeed();
    std::vector<CSubscription>& items = m_Settings.Subscriptions.Items;
    if (index >= static_cast<int>(items.size())) index = -1;
    const ESubscriptionField field = form.Check(m_Settings.Subscriptions, index, message);
    if (field != ESubscriptionField::None) return field;
    CSubscription& feed = index < 0 ? items.emplace_back() : items[static_cast<std::size_t>(index)];
    const bool wasRaised = form.ApplyTo(feed);
    if (raised != nullptr) *raised = wasRaised;
    m_Settings.SelectWorkingFeed();
    FollowChanges();
    return ESubscriptionField::None;
}

std::string CFeedController::TrayTip() const {
    const std::vector<CSubscription>& items = m_Settings.Subscriptions.Items;
    std::string tip = "ZelvaroFeed: ";
    tip += items.empty()       ? std::string("no subscriptions")
           : items.size() == 1 ? std::string("1 subscription")
                               : std::to_string(items.size()) + " subscriptions";
    const CSubscription* last = nullptr;
    for (const CSubscription& feed : items) {
        if (!IsFailure(feed.LastStatus) || !feed.LastSync) continue;
        if (last == nullptr || *last->LastSync < *feed.LastSync) last = &feed;
    }
    if (last != nullptr) tip += "\nLast failure: " + last->Name + ": " + last->LastStatus;
    return tip;
}

bool CFeedController::IsFailure(const std::string& status) {
    const char* const fine[] = {kStatusNothingChanged, kStatusFeedEmpty, kStatusSyncing,
                                kStatusStarted,        kStatusStopped,   kStatusFeedDisabled};
    return !status.empty() && !IsSyncSuccessful(status) &&
           std::none_of(std::begin(fine), std::end(fine),
                        [&status](const char* text) { return status == text; });
}

void CFeedController::OnEnableFeed() {
    const bool enabled = m_view.IsControlChecked(EFeedControl::EnableFeed);
    for (const EFeedControl control : kSettingControls) m_view.EnableControl(control, !enabled);

    if (!enabled) {
        m_view.StopTimer(m_nTimerId);
        m_bTimerRunning = false;
        SetStatus(kStatusStopped);
        FollowChanges();
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
    int period = m_Settings.CheckFeedInterval;
    const std::int64_t now = m_Clock();
    m_lastTick = now;
    if (HasSeveralFeeds()) {
        // The timer ticks at the shortest interval; each subscription waits for its own.
        m_runs.assign(m_Settings.Subscriptions.Items.size(), SFeedRun());
        std::optional<int> shortest;
        for (std::size_t i = 0; i < m_runs.size(); ++i) {
            const CSubscription& feed = m_Settings.Subscriptions.Items[i];
            m_runs[i].periodSeconds = feed.EffectiveInterval();
            m_runs[i].nextCheck = now + m_runs[i].periodSeconds;
            if (feed.Enabled && (!shortest || m_runs[i].periodSeconds < *shortest)) {
                shortest = m_runs[i].periodSeconds;
            }
        }
        period = shortest.value_or(CSubscription::kMinimumFileInterval);
    }
    m_nTimerPeriodMs = PeriodMs(period);
    m_nTimerId = m_view.StartTimer(m_nTimerPeriodMs);
    m_bTimerRunning = m_nTimerId != 0;
    SetStatus(kStatusStarted);
    // After the status, which would hide a failure shown before it.
    FollowChanges();
}

void CFeedController::RunSyncCycle() {
    if (HasSeveralFeeds() && m_nCurrentFeed < 0) {
        RunDueSubscriptions();
        // A folder that could not be watched may be back.
        FollowChanges();
        return;
    }
    CSubscription* const working = m_nCurrentFeed < 0 ? m_Settings.WorkingSubscription() : nullptr;
    if (working != nullptr && !working->Enabled) {
        SetStatus(kStatusFeedDisabled);
        return;
    }
    try {
        RunSyncSteps();
    } catch (const std::bad_alloc&) {
        // The feed reading and the merge report a lack of memory themselves; this is one in
        // the steps around them, whose lock and temporary file are gone again by now.
        SetStatus(kStatusSyncFailed);
    }
    if (m_nCurrentFeed >= 0) return;
    m_nLastFeed = -1;
    if (CSubscription* const feed = m_Settings.WorkingSubscription()) {
        feed->LastSync = CDateTime::Now();
        feed->LastStatus = m_strLastStatus;
    }
    FollowChanges();
}

void CFeedController::RunDueSubscriptions() {
    const std::size_t count = m_Settings.Subscriptions.Items.size();
    if (m_runs.size() != count) m_runs.resize(count);
    // A subscription due within half a tick runs now rather than a whole tick late.
    const std::int64_t slack = m_nTimerPeriodMs / 2000;
    const std::int64_t now = m_Clock();
    m_lastTick = now;
    for (std::size_t i = 0; i < count; ++i) {
        if (!m_Settings.Subscriptions.Items[i].Enabled) continue;
        if (m_runs[i].nextCheck > now + slack) continue;
        RunSubscription(static_cast<int>(i));
    }
}

std::optional<std::int64_t> CFeedController::NextCheck(int index) const {
    if (!m_bTimerRunning || index < 0 || static_cast<std::size_t>(index) >= m_runs.size() ||
        !m_Settings.Subscriptions.Items[static_cast<std::size_t>(index)].Enabled) {
        return std::nullopt;
    }
    return m_runs[static_cast<std::size_t>(index)].nextCheck;
}

int CFeedController::GetEffectiveSyncMode() const {
    return HasSeveralFeeds() || m_bForceAdd ? CEventMerge::kAddAndUpdate : m_Settings.SyncMode;
}

CSubscription* CFeedController::CurrentSubscription() {
    if (m_nCurrentFeed >= 0) {
        return &m_Settings.Subscriptions.Items[static_cast<std::size_t>(m_nCurrentFeed)];
    }
    return m_Settings.WorkingSubscription();
}

void CFeedController::RunSubscription(int index) {
    std::vector<CSubscription>& items = m_Settings.Subscriptions.Items;
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return;
    if (m_runs.size() != items.size()) m_runs.resize(items.size());
    SFeedRun& run = m_runs[static_cast<std::size_t>(index)];
    {
        const CSubscription& feed = items[static_cast<std::size_t>(index)];
        m_Settings.FeedFilePath = feed.Source;
        m_Settings.CheckFeedInterval = feed.EffectiveInterval();
        m_Settings.LastFeedFileTime = feed.LastFeedFileTime;
        m_Settings.FeedCaFile = feed.CaFile;
        m_Settings.FeedETag = feed.ETag;
        m_Settings.FeedLastModified = feed.LastModified;
        m_Settings.FeedSha256 = feed.Sha256;
    }
    run.periodSeconds = m_Settings.CheckFeedInterval;
    std::swap(m_poll, run.poll);
    m_nCurrentFeed = index;
    RunSyncCycle();
    m_nCurrentFeed = -1;
    std::swap(m_poll, run.poll);

    CSubscription& feed = items[static_cast<std::size_t>(index)];
    feed.LastFeedFileTime = m_Settings.LastFeedFileTime;
    feed.ETag = m_Settings.FeedETag;
    feed.LastModified = m_Settings.FeedLastModified;
    feed.Sha256 = m_Settings.FeedSha256;
    feed.LastSync = CDateTime::Now();
    feed.LastStatus = m_strLastStatus;
    run.nextCheck = m_Clock() + run.periodSeconds;
    m_nLastFeed = index;
    if (m_OnFeedSynced) m_OnFeedSynced(index, m_strLastStatus);
    m_Settings.SelectWorkingFeed();
}

std::string CFeedController::StateFolder() {
    std::string folder = m_strSettingsFolder;
    if (folder.empty()) CFeedSettings::GetSettingsFolder(m_platform, folder);
    return folder;
}

CSharedGuids CFeedController::OtherImports(int index, const std::string& eventPath) {
    CSharedGuids shared;
    const std::vector<CSubscription>& items = m_Settings.Subscriptions.Items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (static_cast<int>(i) == index) continue;
        shared.AddOther(
            CImportState::LastImport(m_platform, StateFolder(), items[i].Source, eventPath),
            static_cast<int>(i) < index);
    }
    return shared;
}

std::string CFeedController::RemoveSubscription(int index, bool keepEvents, int& removed) {
    removed = 0;
    std::vector<CSubscription>& items = m_Settings.Subscriptions.Items;
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return kStatusSyncFailed;
    const std::string eventPath = m_Settings.SharedFilePath;
    // Without an event file no calendar holds its events.
    if (eventPath.empty()) keepEvents = true;
    const std::string source = items[static_cast<std::size_t>(index)].Source;
    const std::string folder = StateFolder();
    // The state files are read under the lock that every sync takes, so that none of them
    // changes between the reading and the removal. The temporary copy outlives the lock, as
    // in every cycle.
    std::optional<CFileRemover> removeTemp;
    CEventFileLock lock(m_platform, eventPath);
    if (!keepEvents) {
        if (!lock.Take()) return kStatusCantLock;
        std::vector<std::string> imported =
            CImportState::LastImport(m_platform, folder, source, eventPath);
        if (imported.empty() && !CFeedAddress::IsAddress(source) &&
            ReadFeed(source) == CFeedReader::kRead && !m_bWholeCalendarFeed) {
            // An INI feed keeps no state file: what it imported is what its file lists.
            imported = CImportedGuids::Of(m_FeedEntries);
        }
        m_FeedEntries.RemoveAll();
        m_RemoveGuids.RemoveAll();
        const std::vector<std::string> gone =
            OtherImports(index, eventPath).NotHeldByOthers(imported);
        if (!gone.empty()) {
            for (const std::string& guid : gone) m_RemoveGuids.Add(guid);
            std::string tempFolder;
            std::string tempPath;
            if (!m_platform.GetTempFolder(tempFolder) ||
                !m_platform.CreateTempFile(tempFolder, "dat", tempPath)) {
                return kStatusCantCreateTemp;
            }
            removeTemp.emplace(m_platform, std::move(tempPath));
            m_bForceAdd = true;
            const std::string status = SyncUnderLock(
                eventPath, source, removeTemp->GetPath(), [] {}, nullptr);
            m_bForceAdd = false;
            if (status != kStatusSyncSuccessful) return status;
            removed = m_lastMerge.removed;
        }
    }
    CImportState::Forget(m_platform, folder, source, eventPath);
    items.erase(items.begin() + index);
    if (m_runs.size() > static_cast<std::size_t>(index)) m_runs.erase(m_runs.begin() + index);
    m_nLastFeed = -1;
    m_Settings.SelectWorkingFeed();
    FollowChanges();
    return kStatusSyncSuccessful;
}

void CFeedController::RunSyncSteps() {
    const std::string eventPath = m_Settings.SharedFilePath;
    const std::string feedPath = m_Settings.FeedFilePath;
    m_strLastFeedPath = feedPath;
    m_bLastCycleDownload = CFeedAddress::IsAddress(feedPath);
    if (m_bLastCycleDownload) {
        RunAddressSteps(eventPath, feedPath);
        return;
    }
    OnFileChecked(feedPath);

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
    if (m_nCurrentFeed >= 0) {
        // A subscription's own wait; the timer keeps ticking for the others.
        m_runs[static_cast<std::size_t>(m_nCurrentFeed)].periodSeconds = seconds;
        return;
    }
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

    CSubscription* const subscription = CurrentSubscription();
    const SImportChoices choices = subscription ? subscription->Choices() : SImportChoices();
    if (subscription != nullptr) {
        CImportChoices::Apply(m_FeedEntries, choices, subscription->Applied);
        m_replacedDefaults = CImportChoices::Defaults(subscription->Applied);
    }
    struct SReset {
        std::optional<SImportedDefaults>& defaults;
        ~SReset() { defaults.reset(); }
    } const resetDefaults{m_replacedDefaults};

    SetStatus(kStatusSyncing);
    std::string tempFolder;
    std::string tempPath;
    if (!m_platform.GetTempFolder(tempFolder) ||
        !m_platform.CreateTempFile(tempFolder, "dat", tempPath)) {
        SetStatus(kStatusCantCreateTemp);
        return;
    }
    // Held before anything else that can fail, so that no path leaves this copy behind.
    const CFileRemover removeTemp(m_platform, std::move(tempPath));
    if (!m_bStaleTempFilesRemoved) {
        // What killed runs of this program left there, as large as the event file each.
        m_platform.RemoveStaleTempFiles(tempFolder);
        m_bStaleTempFilesRemoved = true;
    }
    // Whatever other subscriptions own is left to them but still counts as this one's import,
    // so that it stays in the calendar while either holds it.
    const std::vector<std::string> imported = CImportedGuids::Of(m_FeedEntries);
    const int self = m_nCurrentFeed >= 0 ? m_nCurrentFeed : subscription != nullptr ? 0 : -1;
    const CSharedGuids others = OtherImports(self, eventPath);
    const int leftAlone = others.LeaveOwnedAlone(m_FeedEntries);
    std::unique_ptr<CImportState> state;
    if (m_bWholeCalendarFeed) {
        state = std::make_unique<CImportState>(m_platform, StateFolder(), feedPath, eventPath,
                                               imported);
        state->KeepHeldBy(others);
    }
    std::string status =
        SyncThroughTempFile(eventPath, feedPath, removeTemp.GetPath(), onImported, state.get());
    if (state && status == kStatusSyncSuccessful && !state->GetProblem().empty()) {
        status += std::string(kRemovalsNotPossible) + state->GetProblem();
    }
    if (subscription != nullptr && IsSyncSuccessful(status)) {
        subscription->Applied = choices;
        subscription->Imported = static_cast<std::int32_t>(imported.size());
        subscription->LeftAlone = leftAlone;
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
    return SyncUnderLock(eventPath, feedPath, tempPath, onSynced, state);
}

std::string CFeedController::SyncUnderLock(const std::string& eventPath,
                                           const std::string& feedPath, const std::string& tempPath,
                                           const std::function<void()>& onSynced,
                                           CImportState* state) {
    std::string status;
    if (!m_platform.CopyFile(eventPath, tempPath)) {
        status = kStatusCantCreateTemp;
    } else if (m_platform.IsSameFile(eventPath, feedPath)) {
        // The merged calendar would overwrite the feed it came from.
        status = kStatusSyncFailed;
    } else {
        if (state != nullptr) {
            state->Prepare(GetEffectiveSyncMode() == CEventMerge::kAddAndUpdate, m_RemoveGuids);
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
                                  GetEffectiveSyncMode(), &m_lastMerge,
                                  m_replacedDefaults ? &*m_replacedDefaults : nullptr);
}

void CFeedController::SetStatus(const std::string& text) {
    m_strLastStatus = text;
    if (m_nCurrentFeed >= 0 && HasSeveralFeeds()) {
        m_view.SetControlText(
            EFeedControl::Status,
            m_Settings.Subscriptions.Items[static_cast<std::size_t>(m_nCurrentFeed)].Name + ": " +
                text);
        return;
    }
    m_view.SetControlText(EFeedControl::Status, text);
}

int CFeedController::GetDownloadFailures() const {
    if (m_nLastFeed >= 0 && static_cast<std::size_t>(m_nLastFeed) < m_runs.size()) {
        return m_runs[static_cast<std::size_t>(m_nLastFeed)].poll.GetFailures();
    }
    return m_poll.GetFailures();
}

std::int64_t CFeedController::GetNextTrySeconds() const {
    if (!m_bTimerRunning) return -1;
    const std::int64_t period = std::max<std::int64_t>(1, m_nTimerPeriodMs / 1000);
    if (m_nLastFeed < 0 || static_cast<std::size_t>(m_nLastFeed) >= m_runs.size()) return period;
    // The ticks come at m_lastTick + k * period; a tick runs what is due within half of one.
    const std::int64_t due = m_runs[static_cast<std::size_t>(m_nLastFeed)].nextCheck;
    const std::int64_t slack = m_nTimerPeriodMs / 2000;
    const std::int64_t now = m_Clock();
    std::int64_t tick = m_lastTick + period;
    if (due - slack > tick) tick += (due - slack - tick + period - 1) / period * period;
    return std::max<std::int64_t>(0, tick - now);
}

void CFeedController::EnableChangeNotification(bool enable) {
    m_bNotify = enable;
    FollowChanges();
}

void CFeedController::FollowChanges() {
    std::vector<std::string> files;
    if (m_bNotify && m_bTimerRunning) {
        if (!HasSeveralFeeds()) {
            files.push_back(m_Settings.FeedFilePath);
        } else {
            for (const CSubscription& feed : m_Settings.Subscriptions.Items) {
                if (feed.Enabled) files.push_back(feed.Source);
            }
        }
    }
    m_changes.Follow(files);
    ShowWatchFailures();
}

void CFeedController::CollectChanges() {
    m_changes.Collect(m_WallClock());
    ShowWatchFailures();
}

void CFeedController::ShowWatchFailures() {
    for (const SWatchFailure& failure : m_changes.TakeFailures()) {
        m_view.SetControlText(EFeedControl::Status,
                              CFeedChangeWatch::FailureText(failure, IntervalOf(failure)));
    }
}

std::int64_t CFeedController::ChangeWaitMs() const {
    return m_changes.WaitMs(m_WallClock());
}

int CFeedController::RunChangedFeeds() {
    const std::int64_t now = m_WallClock();
    int checks = 0;
    for (const std::string& file : m_changes.GetDue(now)) {
        bool checked = false;
        if (!HasSeveralFeeds()) {
            if (file == m_Settings.FeedFilePath) {
                RunSyncCycle();
                checked = true;
            }
        } else {
            for (std::size_t i = 0; i < m_Settings.Subscriptions.Items.size(); ++i) {
                const CSubscription& feed = m_Settings.Subscriptions.Items[i];
                if (!feed.Enabled || feed.Source != file) continue;
                RunSubscription(static_cast<int>(i));
                checked = true;
            }
        }
        if (checked) {
            ++checks;
        } else {
            // No longer a feed of these settings: its settle must not stay due.
            m_changes.OnChecked(file, now);
        }
    }
    return checks;
}

void CFeedController::OnFileChecked(const std::string& feedPath) {
    if (m_changes.MayHideChange(feedPath)) m_Settings.ForgetFeedFileTime();
    m_changes.OnChecked(feedPath, m_WallClock());
}

int CFeedController::IntervalOf(const SWatchFailure& failure) const {
    if (!HasSeveralFeeds()) return m_Settings.CheckFeedInterval;
    std::optional<int> shortest;
    for (const CSubscription& feed : m_Settings.Subscriptions.Items) {
        if (!feed.Enabled || std::find(failure.files.begin(), failure.files.end(), feed.Source) ==
                                 failure.files.end()) {
            continue;
        }
        if (!shortest || feed.EffectiveInterval() < *shortest) shortest = feed.EffectiveInterval();
    }
    return shortest.value_or(m_Settings.CheckFeedInterval);
}
