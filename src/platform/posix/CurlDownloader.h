// The downloader of the posix build, on libcurl.
#pragma once

#include "platform/Downloader.h"

class CCurlDownloader : public CDownloader {
public:
    // Redirects are followed here, one request at a time, so that every hop's scheme can be
    // checked and the whole chain shares one time limit.
    SDownloadResult Download(const SDownloadRequest& request) override;
};
