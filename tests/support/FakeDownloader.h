// A CDownloader for tests: answers each download with the next scripted response, writing its
// body into the request's target file, and keeps every request it was given.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Downloader.h"

class CFakeDownloader : public CDownloader {
public:
    struct SResponse {
        SDownloadResult result;
        std::string body;  // written to the target file
    };

    // A 200 with `body` and the validators given.
    static SResponse Ok(const std::string& body, const std::string& etag = "",
                        const std::string& lastModified = "");
    static SResponse NotModified();
    // A failure of the kind given; `status` for EDownloadFailure::HttpStatus.
    static SResponse Failure(EDownloadFailure failure, int status = 0, int retryAfter = -1);

    // Queues the answer to the next download. Without one queued a download fails (Other).
    void Push(const SResponse& response) { m_responses.push_back(response); }
    SDownloadResult Download(const SDownloadRequest& request) override;

    std::vector<SDownloadRequest> m_requests;

private:
    std::deque<SResponse> m_responses;
};
