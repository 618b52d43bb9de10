#include "support/FakeDownloader.h"

#include <cstdint>

#include "support/TempFolder.h"

CFakeDownloader::SResponse CFakeDownloader::Ok(const std::string& body, const std::string& etag,
                                               const std::string& lastModified) {
    SResponse response;
    response.result.failure = EDownloadFailure::None;
    response.result.httpStatus = 200;
    response.result.etag = etag;
    response.result.lastModified = lastModified;
    response.body = body;
    return response;
}

CFakeDownloader::SResponse CFakeDownloader::NotModified() {
    SResponse response;
    response.result.failure = EDownloadFailure::None;
    response.result.httpStatus = 304;
    return response;
}

CFakeDownloader::SResponse CFakeDownloader::Failure(EDownloadFailure failure, int status,
                                                    int retryAfter) {
    SResponse response;
    response.result.failure = failure;
    response.result.httpStatus = status;
    response.result.retryAfterSeconds = retryAfter;
    // What a half-received body leaves behind: the cycle must never read it.
    response.body = "[DateEntry 0]\nGUID={HALF}\n";
    return response;
}

SDownloadResult CFakeDownloader::Download(const SDownloadRequest& request) {
    m_requests.push_back(request);
    if (m_responses.empty()) return SDownloadResult();
    const SResponse response = m_responses.front();
    m_responses.pop_front();
    CTempFolder::WriteBytes(request.targetPath,
                            std::vector<std::uint8_t>(response.body.begin(), response.body.end()));
    return response.result;
}
