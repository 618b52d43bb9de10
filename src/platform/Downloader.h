// Fetching a feed from an http or https address into a file, behind one interface. Exactly one
// implementation is built: posix/CurlDownloader.cpp (libcurl) or win32/WinHttpDownloader.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What one download asks for. The limits are fields so that a test can shorten them.
struct SDownloadRequest {
    std::string url;           // http:// or https://, user:password@ allowed (see Download)
    std::string etag;          // sent as If-None-Match when not empty
    std::string lastModified;  // sent as If-Modified-Since when not empty (the server's text)
    std::string caFile;        // a PEM file of further trusted CAs; empty: the system's store only
    std::string userAgent;
    std::string targetPath;  // an existing file that receives the body (truncated first)
    int connectTimeoutMs = 15000;
    int transferTimeoutMs = 60000;  // the whole exchange, redirects included
    std::uint64_t maxBodyBytes = std::uint64_t{64} << 20;
    int maxRedirects = 5;
};

enum class EDownloadFailure {
    None,  // a 2xx body is in the target file, or 304
    HostNotFound,
    ConnectionRefused,
    TimedOut,               // connecting or the whole transfer took too long
    CertificateNotTrusted,  // no chain to a trusted CA
    CertificateWrongHost,   // the certificate names another host
    TlsFailed,              // any other TLS failure
    InsecureRedirect,       // a redirect from https to http
    UnsupportedRedirect,    // a redirect to another scheme than http or https (file:, ftp:)
    TooManyRedirects,
    TooLarge,        // the body exceeds maxBodyBytes
    ConnectionLost,  // the body ended before its announced end, or the peer hung up
    HttpStatus,      // a status other than 2xx or 304 (in httpStatus)
    BadAddress,      // the address cannot be fetched (scheme, syntax)
    Other,           // anything else; `detail` may say more
};

struct SDownloadResult {
    EDownloadFailure failure = EDownloadFailure::Other;
    int httpStatus = 0;  // of the last response, 0 when none arrived
    std::string etag;    // validators of a 200 response, empty when it sent none
    std::string lastModified;
    int retryAfterSeconds = -1;  // from Retry-After (seconds or an HTTP date), -1 when absent
    std::string detail;          // the library's own words for Other (never the address)

    bool NotModified() const { return failure == EDownloadFailure::None && httpStatus == 304; }
    // Short and plain: "host not found", "timed out", "HTTP 404", "too large", ...
    std::string Reason() const;
    // Worth trying again soon: a timeout, a refused connection, 429, 503 and other 5xx.
    bool IsTemporary() const;
};

class CDownloader {
public:
    CDownloader() = default;
    CDownloader(const CDownloader&) = delete;
    CDownloader& operator=(const CDownloader&) = delete;
    virtual ~CDownloader() = default;

    // The implementation compiled into this build.
    static CDownloader& Default();
    // True when the absolute address `url` begins with http:// or https:// (letter case
    // ignored): the only schemes a download or a redirect may go to.
    static bool IsHttpScheme(std::string_view url);

    // One GET of `request.url`, following at most maxRedirects redirects, never from https to
    // http. TLS always checks the certificate chain (the system's store, plus caFile) and the
    // host name. Proxies as the system sets them. Accepts gzip and deflate bodies and stores
    // them decoded. A user name and password in the address are sent as Basic authentication
    // to https addresses only (an http address with them is refused as BadAddress, so the
    // secret never crosses the network in the clear). On None with a 2xx status the target
    // file holds the complete body; on every other result its content is undefined and must
    // not be read. Never throws.
    virtual SDownloadResult Download(const SDownloadRequest& request) = 0;
};
