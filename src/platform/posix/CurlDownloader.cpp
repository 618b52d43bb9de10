#include "platform/posix/CurlDownloader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "platform/posix/CurlLibrary.h"
#include "platform/posix/PosixFd.h"

namespace {

// REQUIRES: the library was loaded (Download makes sure first).
const CCurlLibrary& Curl() {
    std::string unused;
    return *CCurlLibrary::Get(unused);
}

struct SCurlCleanup {
    void operator()(CURL* curl) const { Curl().easy_cleanup(curl); }
    void operator()(curl_slist* list) const { Curl().slist_free_all(list); }
    void operator()(CURLU* url) const { Curl().url_cleanup(url); }
    void operator()(char* text) const { Curl().free(text); }
};
using CCurlHandle = std::unique_ptr<CURL, SCurlCleanup>;
using CCurlList = std::unique_ptr<curl_slist, SCurlCleanup>;
using CCurlUrl = std::unique_ptr<CURLU, SCurlCleanup>;
using CCurlText = std::unique_ptr<char, SCurlCleanup>;

// X509_V_ERR_HOSTNAME_MISMATCH of OpenSSL, as CURLINFO_SSL_VERIFYRESULT reports it.
constexpr long kVerifyHostnameMismatch = 62;
// libcurl checks the host name itself once OpenSSL trusts the chain, and then tells only in
// its error text, whose every form names the "target host name".
constexpr const char* kHostNameText = "target host name";

// One response's body and headers as they arrive.
struct SExchange {
    int fd = -1;
    std::uint64_t written = 0;
    std::uint64_t limit = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    std::string etag;
    std::string lastModified;
    std::string retryAfter;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& exchange = *static_cast<SExchange*>(context);
    const std::size_t bytes = size * count;
    if (exchange.written + bytes > exchange.limit) {
        exchange.tooLarge = true;
        return 0;
    }
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(exchange.fd, data + done, bytes - done);
        if (n <= 0) {
            exchange.writeFailed = true;
            return 0;
        }
        done += static_cast<std::size_t>(n);
    }
    exchange.written += bytes;
    return bytes;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto& exchange = *static_cast<SExchange*>(context);
    const std::string line(data, size * count);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos) {
        const std::string name = line.substr(0, colon);
        const std::string value = Trimmed(line.substr(colon + 1));
        if (strcasecmp(name.c_str(), "ETag") == 0) exchange.etag = value;
        if (strcasecmp(name.c_str(), "Last-Modified") == 0) exchange.lastModified = value;
        if (strcasecmp(name.c_str(), "Retry-After") == 0) exchange.retryAfter = value;
    }
    return size * count;
}

// Seconds to wait: a number of seconds, or an HTTP date from now; -1 when unreadable.
int RetryAfterSeconds(const std::string& text) {
    if (text.empty()) return -1;
    if (text.find_first_not_of("0123456789") == std::string::npos) {
        return text.size() > 9 ? 999999999 : std::atoi(text.c_str());
    }
    const std::time_t when = Curl().getdate(text.c_str(), nullptr);
    if (when < 0) return -1;
    const std::time_t now = std::time(nullptr);
    return when <= now ? 0 : static_cast<int>(std::min<std::time_t>(when - now, 999999999));
}

// The one place where libcurl's codes become failures.
EDownloadFailure Translate(CURLcode code, CURL* curl, const SExchange& exchange,
                           const char* errorText) {
    switch (code) {
        case CURLE_OK:
            return EDownloadFailure::None;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return EDownloadFailure::HostNotFound;
        case CURLE_COULDNT_CONNECT:
            return EDownloadFailure::ConnectionRefused;
        case CURLE_OPERATION_TIMEDOUT:
            return EDownloadFailure::TimedOut;
        case CURLE_PEER_FAILED_VERIFICATION: {
            long verify = 0;
            Curl().easy_getinfo(curl, CURLINFO_SSL_VERIFYRESULT, &verify);
            return verify == kVerifyHostnameMismatch ||
                           std::strstr(errorText, kHostNameText) != nullptr
                       ? EDownloadFailure::CertificateWrongHost
                       : EDownloadFailure::CertificateNotTrusted;
        }
        case CURLE_SSL_CONNECT_ERROR:
            return EDownloadFailure::TlsFailed;
        case CURLE_FILESIZE_EXCEEDED:
            return EDownloadFailure::TooLarge;
        case CURLE_WRITE_ERROR:
            return exchange.tooLarge ? EDownloadFailure::TooLarge : EDownloadFailure::Other;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return EDownloadFailure::ConnectionLost;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return EDownloadFailure::BadAddress;
        default:
            return EDownloadFailure::Other;
    }
}

// Scheme, host and port of `url`, lower-cased by libcurl; empty when it cannot be parsed.
std::string Origin(const std::string& url) {
    const CCurlUrl parsed(Curl().url());
    if (!parsed || Curl().url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return {};
    }
    std::string origin;
    for (const CURLUPart part : {CURLUPART_SCHEME, CURLUPART_HOST, CURLUPART_PORT}) {
        char* raw = nullptr;
        const CURLUcode got = Curl().url_get(parsed.get(), part, &raw, CURLU_DEFAULT_PORT);
        const CCurlText text(raw);
        if (got != CURLUE_OK || !text) return {};
        origin += std::string(text.get()) + "|";
    }
    return origin;
}

bool IsHttps(const std::string& origin) {
    return origin.rfind("https|", 0) == 0;
}

bool HasUser(const std::string& url) {
    const CCurlUrl parsed(Curl().url());
    if (!parsed || Curl().url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return false;
    }
    char* raw = nullptr;
    const CURLUcode got = Curl().url_get(parsed.get(), CURLUPART_USER, &raw, 0);
    const CCurlText user(raw);
    return got == CURLUE_OK && user;
}

}  // namespace

SDownloadResult CCurlDownloader::Download(const SDownloadRequest& request) {
    SDownloadResult result;
    if (CCurlLibrary::Get(result.detail) == nullptr) return result;
    const std::string firstOrigin = Origin(request.url);
    const bool http = firstOrigin.rfind("http|", 0) == 0;
    if (firstOrigin.empty() || !(IsHttps(firstOrigin) || http) || (http && HasUser(request.url))) {
        result.failure = EDownloadFailure::BadAddress;
        return result;
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(request.transferTimeoutMs);
    CCurlList headers;
    for (const std::string& header :
         {request.etag.empty() ? std::string() : "If-None-Match: " + request.etag,
          request.lastModified.empty() ? std::string()
                                       : "If-Modified-Since: " + request.lastModified}) {
        if (header.empty()) continue;
        curl_slist* const appended = Curl().slist_append(headers.get(), header.c_str());
        if (appended == nullptr) return result;
        static_cast<void>(headers.release());
        headers.reset(appended);
    }

    std::string url = request.url;
    std::string origin = firstOrigin;
    for (int hop = 0;; ++hop) {
        const CCurlHandle curl(Curl().easy_init());
        const CPosixFd file(::open(request.targetPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!curl || !file.IsValid()) return result;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.failure = EDownloadFailure::TimedOut;
            return result;
        }
        SExchange exchange;
        exchange.fd = file.Get();
        exchange.limit = request.maxBodyBytes;
        CURL* const handle = curl.get();
        // The address may carry user:password, which libcurl sends as Basic authentication;
        // redirect targets come from the server without them, and are never given them.
        Curl().easy_setopt(handle, CURLOPT_URL, url.c_str());
        Curl().easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        Curl().easy_setopt(handle, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
        Curl().easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        Curl().easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
        Curl().easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, long{request.connectTimeoutMs});
        Curl().easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        Curl().easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
        Curl().easy_setopt(handle, CURLOPT_USERAGENT, request.userAgent.c_str());
        Curl().easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
        Curl().easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
        Curl().easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!request.caFile.empty()) {
            // CAINFO replaces the default bundle; the system's hashed folder keeps its CAs.
            Curl().easy_setopt(handle, CURLOPT_CAINFO, request.caFile.c_str());
            Curl().easy_setopt(handle, CURLOPT_CAPATH, "/etc/ssl/certs");
        }
        Curl().easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                           static_cast<curl_off_t>(request.maxBodyBytes));
        Curl().easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody);
        Curl().easy_setopt(handle, CURLOPT_WRITEDATA, &exchange);
        Curl().easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader);
        Curl().easy_setopt(handle, CURLOPT_HEADERDATA, &exchange);
        char errorText[CURL_ERROR_SIZE] = {};
        Curl().easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);

        const CURLcode code = Curl().easy_perform(handle);
        long status = 0;
        Curl().easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        result.httpStatus = static_cast<int>(status);
        result.failure = Translate(code, handle, exchange, errorText);
        if (result.failure == EDownloadFailure::Other) result.detail = Curl().easy_strerror(code);
        if (result.failure != EDownloadFailure::None) return result;

        if (status >= 300 && status <= 399 && status != 304) {
            char* location = nullptr;
            Curl().easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location);
            if (location == nullptr) {
                result.failure = EDownloadFailure::HttpStatus;
                return result;
            }
            if (hop >= request.maxRedirects) {
                result.failure = EDownloadFailure::TooManyRedirects;
                return result;
            }
            if (!CDownloader::IsHttpScheme(location)) {
                result.failure = EDownloadFailure::UnsupportedRedirect;
                return result;
            }
            const std::string nextOrigin = Origin(location);
            if (IsHttps(origin) && !IsHttps(nextOrigin)) {
                result.failure = EDownloadFailure::InsecureRedirect;
                return result;
            }
            url = location;
            origin = nextOrigin;
            continue;
        }
        if (status == 304 || (status >= 200 && status <= 299)) {
            if (status != 304) {
                result.etag = exchange.etag;
                result.lastModified = exchange.lastModified;
            }
            result.failure = EDownloadFailure::None;
        } else {
            result.failure = EDownloadFailure::HttpStatus;
            result.retryAfterSeconds = RetryAfterSeconds(exchange.retryAfter);
        }
        return result;
    }
}

CDownloader& CDownloader::Default() {
    static CCurlDownloader downloader;
    return downloader;
}
