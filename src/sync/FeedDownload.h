// One download of a feed address into a temporary file that lives as long as this object, so
// that only a complete body is ever read and no body is left behind.
#pragma once

#include <memory>
#include <string>

#include "platform/Downloader.h"
#include "platform/FileRemover.h"

class CPlatform;

class CFeedDownload {
public:
    // REQUIRES: `platform` and `downloader` outlive this object.
    CFeedDownload(CPlatform& platform, CDownloader& downloader)
        : m_platform(platform), m_downloader(downloader) {}

    // Downloads the address `feed` (CFeedAddress: webcal as https) with `request`'s
    // validators, CA file, user agent and limits into a new file in the system's temporary
    // folder (prefix "zfd"). An address that would send its password over http is refused
    // unsent (BadAddress, "a password needs https"); a temporary file that cannot be made is
    // Other ("no temporary file"). Once per object.
    SDownloadResult Fetch(const std::string& feed, SDownloadRequest request);
    // The file holding the body ("" before Fetch made one). Complete only when Fetch
    // returned None with a 2xx status.
    const std::string& GetPath() const;

private:
    CPlatform& m_platform;
    CDownloader& m_downloader;
    std::unique_ptr<CFileRemover> m_body;
};
