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
