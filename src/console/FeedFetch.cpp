#include "FeedFetch.h"

#include "ConsoleOutput.h"
#include "app/FeedController.h"
#include "platform/Platform.h"
#include "sync/FeedAddress.h"

bool CFeedFetch::Fetch(const std::string& feed, const std::string& caFile, CConsoleOutput& output) {
    SDownloadRequest request = CFeedController::DownloadDefaults();
    request.caFile = caFile;
    m_result = m_download.Fetch(feed, request);
    if (m_result.failure == EDownloadFailure::None) return true;
    output.Error(Describe(feed, m_result));
    return false;
}

std::string CFeedFetch::Describe(const std::string& feed, const SDownloadResult& result) {
    return std::string(CFeedController::kStatusCantDownload) + ": " + result.Reason() + " (" +
           CFeedAddress::Masked(feed) + ")";
}
