#include "sync/FeedDownload.h"

#include <utility>

#include "platform/Platform.h"
#include "sync/FeedAddress.h"

SDownloadResult CFeedDownload::Fetch(const std::string& feed, SDownloadRequest request) {
    SDownloadResult result;
    if (CFeedAddress::SendsCredentialsInClear(feed)) {
        result.failure = EDownloadFailure::BadAddress;
        result.detail = "a password needs https";
        return result;
    }
    std::string folder;
    std::string path;
    if (!m_platform.GetTempFolder(folder) || !m_platform.CreateTempFile(folder, "zfd", path)) {
        result.detail = "no temporary file";
        return result;
    }
    m_body = std::make_unique<CFileRemover>(m_platform, std::move(path));
    request.url = CFeedAddress::FetchUrl(feed);
    request.targetPath = m_body->GetPath();
    return m_downloader.Download(request);
}

const std::string& CFeedDownload::GetPath() const {
    static const std::string kNone;
    return m_body ? m_body->GetPath() : kNone;
}
