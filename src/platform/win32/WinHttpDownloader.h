// The downloader of the win32 build, on WinHTTP (part of the system).
#pragma once

#include "platform/Downloader.h"

class CWinHttpDownloader : public CDownloader {
public:
    // Redirects are followed here, one request at a time, so that every hop's scheme can be
    // checked and the whole chain shares one time limit. The user's proxy settings (those of
    // the Internet options) are used when set, WinHTTP's own otherwise. A CA file is trusted
    // for a server whose chain ends in one of its certificates, in addition to the system's
    // store; the host name is checked either way.
    SDownloadResult Download(const SDownloadRequest& request) override;
};
