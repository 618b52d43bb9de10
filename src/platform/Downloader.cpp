#include "platform/Downloader.h"

std::string SDownloadResult::Reason() const {
    switch (failure) {
        case EDownloadFailure::None:
            return NotModified() ? "not modified" : "done";
        case EDownloadFailure::HostNotFound:
            return "host not found";
        case EDownloadFailure::ConnectionRefused:
            return "connection refused";
        case EDownloadFailure::TimedOut:
            return "timed out";
        case EDownloadFailure::CertificateNotTrusted:
            return "certificate not trusted";
        case EDownloadFailure::CertificateWrongHost:
            return "certificate is for another host";
        case EDownloadFailure::TlsFailed:
            return "secure connection failed";
        case EDownloadFailure::InsecureRedirect:
            return "redirect from https to http refused";
        case EDownloadFailure::UnsupportedRedirect:
            return "redirect to an unsupported scheme refused";
        case EDownloadFailure::TooManyRedirects:
            return "too many redirects";
        case EDownloadFailure::TooLarge:
            return "too large";
        case EDownloadFailure::ConnectionLost:
            return "connection lost";
        case EDownloadFailure::HttpStatus:
            return "HTTP " + std::to_string(httpStatus);
        case EDownloadFailure::BadAddress:
            return detail.empty() ? std::string("address not supported") : detail;
        case EDownloadFailure::Other:
            break;
    }
    return detail.empty() ? std::string("download failed") : detail;
}

bool SDownloadResult::IsTemporary() const {
    switch (failure) {
        case EDownloadFailure::TimedOut:
        case EDownloadFailure::ConnectionRefused:
        case EDownloadFailure::ConnectionLost:
            return true;
        case EDownloadFailure::HttpStatus:
            return httpStatus == 429 || (httpStatus >= 500 && httpStatus <= 599);
        default:
            return false;
    }
}

bool CDownloader::IsHttpScheme(std::string_view url) {
    const auto startsWith = [url](std::string_view scheme) {
        if (url.size() < scheme.size()) return false;
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            const char c =
                url[i] >= 'A' && url[i] <= 'Z' ? static_cast<char>(url[i] - 'A' + 'a') : url[i];
            if (c != scheme[i]) return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}
