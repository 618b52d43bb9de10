#include "SyncReport.h"

#include <cstdint>

#include "ConsoleCommand.h"
#include "SystemReason.h"
#include "app/FeedController.h"
#include "platform/Downloader.h"
#include "platform/Platform.h"
#include "sync/EventFileLock.h"
#include "sync/FeedAddress.h"

std::string CSyncReport::Summary(const SMergeCounts& counts) {
    return std::string(CFeedController::kStatusSyncSuccessful) + ": " + GroupDigits(counts.added) +
           " added, " + GroupDigits(counts.updated) + " updated, " + GroupDigits(counts.unchanged) +
           " unchanged, " + GroupDigits(counts.removed) + " removed; " +
           GroupDigits(counts.entries) + (counts.entries == 1 ? " entry" : " entries");
}

SSyncOutcome CSyncReport::Describe(const CFeedController& controller, const std::string& status,
                                   int lastErrno) {
    const CFeedSettings& settings = controller.m_Settings;
    SSyncOutcome outcome{status, CConsoleCommand::kExitFailed, true};
    if (status == CFeedController::kStatusSyncSuccessful) {
        return {Summary(controller.GetLastMergeCounts()), CConsoleCommand::kExitOk, false};
    }
    if (CFeedController::IsSyncSuccessful(status)) {
        // The calendar is synced; what stays undone is said, and the run counts as failed.
        const std::size_t after =
            std::char_traits<char>::length(CFeedController::kStatusSyncSuccessful);
        return {Summary(controller.GetLastMergeCounts()) + status.substr(after),
                CConsoleCommand::kExitFailed, true};
    }
    if (status == CFeedController::kStatusFeedEmpty) {
        return {status + ": nothing to import", CConsoleCommand::kExitOk, false};
    }
    if (status == CFeedController::kStatusNothingChanged) {
        if (!controller.WasLastCycleDownload()) return {status, CConsoleCommand::kExitOk, false};
        return {status + (controller.GetLastDownload().NotModified()
                              ? ": 304 Not Modified"
                              : ": the same content as the last import"),
                CConsoleCommand::kExitOk, false};
    }
    // With several subscriptions the working feed is the first one, not the one that ran.
    const std::string& feedPath = controller.GetLastFeedPath();
    const std::string feed = CFeedAddress::Masked(feedPath);
    if (status.rfind(CFeedController::kStatusCantDownload, 0) == 0) {
        const SDownloadResult& download = controller.GetLastDownload();
        outcome.text = status + " (" + feed + ")";
        const std::int64_t nextTry = controller.GetNextTrySeconds();
        if (controller.GetDownloadFailures() > 0 && nextTry >= 0) {
            outcome.text += "; backing off: next try in " + std::to_string(nextTry) + " seconds";
        }
        outcome.exitCode =
            download.IsTemporary() ? CConsoleCommand::kExitTemporary : CConsoleCommand::kExitFailed;
        return outcome;
    }
    if (status == CFeedController::kStatusCantAccessFeed ||
        status == CFeedController::kStatusCantOpenFeed) {
        std::string reason = controller.IsFeedOutOfMemory()  ? "not enough memory"
                             : controller.IsFeedIncomplete() ? CSystemReason::kIncompleteCalendar
                             : controller.WasLastCycleDownload()
                                 ? std::string("the downloaded feed cannot be read")
                                 : CSystemReason::ForReading(feedPath);
        // The feed is opened for exclusive use: the writer may still hold it.
        if (reason.empty() && status == CFeedController::kStatusCantOpenFeed) {
            reason = "another program may hold it open";
        }
        outcome.text = CSystemReason::Append(status + ": " + feed, reason);
    } else if (status == CFeedController::kStatusCantLock) {
        outcome = DescribeLockFailure(
            CEventFileLock(CPlatform::Default(), settings.SharedFilePath).GetPath(), lastErrno);
    } else if (status == CFeedController::kStatusCantCreateTemp) {
        const std::string reason = CSystemReason::ForReading(settings.SharedFilePath);
        std::string tempFolder;
        CPlatform::Default().GetTempFolder(tempFolder);
        outcome.text = reason.empty() ? CSystemReason::Append(
                                            status + ": cannot create a file in " + tempFolder,
                                            CSystemReason::TransferError(lastErrno))
                                      : status + ": " + settings.SharedFilePath + ": " + reason;
    } else if (status == CFeedController::kStatusSyncFailed) {
        const std::string& failure = controller.GetLastMergeCounts().failure;
        outcome.text = CSystemReason::Append(status, failure);
        // Damaged content ("cause N: ...") is the whole story; a failed transfer is not.
        if (failure.rfind("cause ", 0) != 0) {
            outcome.text =
                CSystemReason::Append(outcome.text, CSystemReason::TransferError(lastErrno));
        }
    } else if (status == CFeedController::kStatusCantCopyBack) {
        outcome.text =
            CSystemReason::Append(status + ": " + settings.SharedFilePath,
                                  CSystemReason::ForWriting(settings.SharedFilePath, lastErrno));
    }
    return outcome;
}

SSyncOutcome CSyncReport::DescribeLockFailure(const std::string& lockPath, int lastErrno) {
    const std::string status = CFeedController::kStatusCantLock;
    const std::string reason = CSystemReason::ForLockFile(lockPath, lastErrno);
    if (reason.empty()) {
        return {status + ": " + lockPath + " is held by another program; try again later",
                CConsoleCommand::kExitLocked, true};
    }
    return {status + ": " + lockPath + ": " + reason, CConsoleCommand::kExitFailed, true};
}

std::string CSyncReport::GroupDigits(long long value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return negative ? "-" + digits : digits;
}
