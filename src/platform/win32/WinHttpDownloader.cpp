#include "platform/win32/WinHttpDownloader.h"

// clang-format off
#include "platform/win32/Win32Api.h"
#include <wincrypt.h>
#include <winhttp.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Win32Handle.h"

namespace {

struct SInternetClose {
    void operator()(HINTERNET handle) const { ::WinHttpCloseHandle(handle); }
};
using CInternetHandle = std::unique_ptr<void, SInternetClose>;

struct SCertStoreClose {
    void operator()(HCERTSTORE store) const { ::CertCloseStore(store, 0); }
};
using CCertStore = std::unique_ptr<void, SCertStoreClose>;

struct SCertContextFree {
    void operator()(PCCERT_CONTEXT context) const { ::CertFreeCertificateContext(context); }
};
using CCertContext = std::unique_ptr<const CERT_CONTEXT, SCertContextFree>;

struct SChainFree {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const { ::CertFreeCertificateChain(chain); }
};
using CCertChain = std::unique_ptr<const CERT_CHAIN_CONTEXT, SChainFree>;

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int size =
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    std::string text;
    for (const wchar_t c : wide) text += c < 0x80 ? static_cast<char>(c) : '?';
    return text;
}

std::string Base64(const std::string& bytes) {
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
        text += kDigits[(group >> 18) & 63];
        text += kDigits[(group >> 12) & 63];
        text += i + 1 < bytes.size() ? kDigits[(group >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kDigits[group & 63] : '=';
    }
    return text;
}

// The parts of an address that a request needs.
struct SUrl {
    bool https = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;  // with the query
    std::string user;
    std::string password;

    std::wstring Origin() const {
        return (https ? L"https://" : L"http://") + host + L":" + std::to_wstring(port);
    }
};

bool Crack(const std::wstring& url, SUrl& parts) {
    URL_COMPONENTS components{};
    components.dwStructSize = sizeof components;
    components.dwHostNameLength = static_cast<DWORD>(-1);
    components.dwUrlPathLength = static_cast<DWORD>(-1);
    components.dwExtraInfoLength = static_cast<DWORD>(-1);
    components.dwUserNameLength = static_cast<DWORD>(-1);
    components.dwPasswordLength = static_cast<DWORD>(-1);
    components.dwSchemeLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) {
        return false;
    }
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    parts.https = components.nScheme == INTERNET_SCHEME_HTTPS;
    parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    parts.port = components.nPort;
    parts.path.assign(components.lpszUrlPath, components.dwUrlPathLength);
    parts.path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    if (parts.path.empty()) parts.path = L"/";
    parts.user = Narrow(std::wstring(components.lpszUserName, components.dwUserNameLength));
    parts.password = Narrow(std::wstring(components.lpszPassword, components.dwPasswordLength));
    return !parts.host.empty();
}

// A Location header made absolute against the address it came from.
std::wstring Resolve(const SUrl& base, const std::wstring& location) {
    if (location.find(L"://") != std::wstring::npos) return location;
    if (location.rfind(L"//", 0) == 0) return (base.https ? L"https:" : L"http:") + location;
    if (location.rfind(L"/", 0) == 0) return base.Origin() + location;
    const std::wstring directory = base.path.substr(0, base.path.find_last_of(L'/') + 1);
    return base.Origin() + directory + location;
}

// The one place where WinHTTP's errors become failures. `secureFlags`: what the secure-failure
// callback reported for this request.
EDownloadFailure Translate(DWORD error, DWORD secureFlags) {
    switch (error) {
        case ERROR_WINHTTP_NAME_NOT_RESOLVED:
            return EDownloadFailure::HostNotFound;
        case ERROR_WINHTTP_CANNOT_CONNECT:
            return EDownloadFailure::ConnectionRefused;
        case ERROR_WINHTTP_TIMEOUT:
        case ERROR_TIMEOUT:
        case WSAETIMEDOUT:
            return EDownloadFailure::TimedOut;
        case ERROR_WINHTTP_SECURE_INVALID_CA:
            return EDownloadFailure::CertificateNotTrusted;
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
            return EDownloadFailure::CertificateWrongHost;
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        case ERROR_WINHTTP_SECURE_FAILURE:
            if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID)
                return EDownloadFailure::CertificateWrongHost;
            if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA)
                return EDownloadFailure::CertificateNotTrusted;
            return EDownloadFailure::TlsFailed;
        case ERROR_WINHTTP_CONNECTION_ERROR:
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return EDownloadFailure::ConnectionLost;
        case ERROR_WINHTTP_INVALID_URL:
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
            return EDownloadFailure::BadAddress;
        default:
            return EDownloadFailure::Other;
    }
}

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && context != 0 && info != nullptr) {
        *reinterpret_cast<DWORD*>(context) |= *static_cast<DWORD*>(info);
    }
}

std::wstring QueryText(HINTERNET request, DWORD what) {
    DWORD size = 0;
    ::WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                          &size, WINHTTP_NO_HEADER_INDEX);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (!::WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                               WINHTTP_NO_HEADER_INDEX)) {
        return {};
    }
    text.resize(size / sizeof(wchar_t));
    return text;
}

// A decimal number of at most 18 digits; -1 when `text` is anything else.
std::int64_t Digits(const std::wstring& text) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return -1;
    std::int64_t value = 0;
    for (const wchar_t c : text) value = value * 10 + (c - L'0');
    return value;
}

int RetryAfterSeconds(const std::wstring& text) {
    if (text.empty()) return -1;
    if (text.find_first_not_of(L"0123456789") == std::wstring::npos) {
        return static_cast<int>(
            std::min<std::int64_t>(text.size() > 9 ? 999999999 : Digits(text), 999999999));
    }
    SYSTEMTIME when{};
    FILETIME whenFile{};
    FILETIME now{};
    if (!::WinHttpTimeToSystemTime(text.c_str(), &when) ||
        !::SystemTimeToFileTime(&when, &whenFile)) {
        return -1;
    }
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (std::int64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    };
    const std::int64_t seconds = (ticks(whenFile) - ticks(now)) / 10000000;
    return seconds <= 0 ? 0 : static_cast<int>(std::min<std::int64_t>(seconds, 999999999));
}

// Trusts a server whose chain ends in a certificate of the PEM file `caFile` (a chain that
// the system's store trusts never gets here).
bool ChainsToCaFile(HINTERNET request, const std::string& caFile) {
    PCCERT_CONTEXT raw = nullptr;
    DWORD size = sizeof raw;
    if (!::WinHttpQueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &raw, &size)) {
        return false;
    }
    const CCertContext server(raw);
    CWin32Handle file(::CreateFileA(caFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length{};
    if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &length) || length.QuadPart > (1 << 20)) {
        return false;
    }
    std::string pem(static_cast<std::size_t>(length.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.Get(), pem.data(), static_cast<DWORD>(pem.size()), &read, nullptr) ||
        read != pem.size()) {
        return false;
    }
    const CCertStore store(
        ::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!store) return false;
    constexpr const char kBegin[] = "-----BEGIN CERTIFICATE-----";
    constexpr const char kEnd[] = "-----END CERTIFICATE-----";
    std::vector<CCertContext> authorities;
    for (std::size_t at = pem.find(kBegin); at != std::string::npos; at = pem.find(kBegin, at)) {
        const std::size_t end = pem.find(kEnd, at);
        if (end == std::string::npos) break;
        const std::size_t stop = end + sizeof kEnd - 1;
        DWORD bytes = 0;
        if (::CryptStringToBinaryA(pem.data() + at, static_cast<DWORD>(stop - at),
                                   CRYPT_STRING_BASE64HEADER, nullptr, &bytes, nullptr, nullptr)) {
            std::vector<BYTE> der(bytes);
            if (::CryptStringToBinaryA(pem.data() + at, static_cast<DWORD>(stop - at),
                                       CRYPT_STRING_BASE64HEADER, der.data(), &bytes, nullptr,
                                       nullptr)) {
                PCCERT_CONTEXT added = nullptr;
                if (::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(),
                                                       bytes, CERT_STORE_ADD_ALWAYS, &added)) {
                    authorities.emplace_back(added);
                }
            }
        }
        at = stop;
    }
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    PCCERT_CHAIN_CONTEXT rawChain = nullptr;
    if (authorities.empty() ||
        !::CertGetCertificateChain(nullptr, server.get(), nullptr, store.get(), &parameters, 0,
                                   nullptr, &rawChain)) {
        return false;
    }
    const CCertChain chain(rawChain);
    if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) return false;
    const DWORD allowed = CERT_TRUST_IS_UNTRUSTED_ROOT;
    if ((chain->TrustStatus.dwErrorStatus & ~allowed) != 0) return false;
    const CERT_SIMPLE_CHAIN& simple = *chain->rgpChain[0];
    const PCCERT_CONTEXT root = simple.rgpElement[simple.cElement - 1]->pCertContext;
    for (const CCertContext& authority : authorities) {
        if (::CertCompareCertificate(X509_ASN_ENCODING, root->pCertInfo, authority->pCertInfo)) {
            return true;
        }
    }
    return false;
}

// The user's proxy (Internet options) when one is set.
CInternetHandle OpenSession(const std::wstring& userAgent) {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    std::wstring proxy;
    std::wstring bypass;
    if (::WinHttpGetIEProxyConfigForCurrentUser(&config)) {
        if (config.lpszProxy != nullptr) proxy = config.lpszProxy;
        if (config.lpszProxyBypass != nullptr) bypass = config.lpszProxyBypass;
        for (LPWSTR text : {config.lpszProxy, config.lpszProxyBypass, config.lpszAutoConfigUrl}) {
            if (text != nullptr) ::GlobalFree(text);
        }
    }
    if (proxy.empty()) {
        return CInternetHandle(::WinHttpOpen(userAgent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    }
    return CInternetHandle(
        ::WinHttpOpen(userAgent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(),
                      bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : bypass.c_str(), 0));
}

}  // namespace

SDownloadResult CWinHttpDownloader::Download(const SDownloadRequest& request) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(request.transferTimeoutMs);
    SDownloadResult result;
    SUrl url;
    if (!Crack(Widen(request.url), url) || (!url.https && !url.user.empty())) {
        result.failure = EDownloadFailure::BadAddress;
        return result;
    }
    const std::wstring firstOrigin = url.Origin();
    const CInternetHandle session = OpenSession(Widen(request.userAgent));
    if (!session) return result;
    DWORD decompression = WINHTTP_DECOMPRESSION_FLAG_ALL;
    // Older systems lack the option; they then ask for the body as it is.
    ::WinHttpSetOption(session.get(), WINHTTP_OPTION_DECOMPRESSION, &decompression,
                       sizeof decompression);
    DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    ::WinHttpSetOption(session.get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof redirects);
    ::WinHttpSetStatusCallback(session.get(), OnStatus, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);

    std::wstring headers;
    if (!request.etag.empty()) headers += L"If-None-Match: " + Widen(request.etag) + L"\r\n";
    if (!request.lastModified.empty()) {
        headers += L"If-Modified-Since: " + Widen(request.lastModified) + L"\r\n";
    }
    if (!url.user.empty()) {
        headers +=
            L"Authorization: Basic " + Widen(Base64(url.user + ":" + url.password)) + L"\r\n";
    }
    const std::wstring credentialOrigin = firstOrigin;
    const std::size_t authorizationAt = headers.find(L"Authorization:");

    for (int hop = 0;; ++hop) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            result.failure = EDownloadFailure::TimedOut;
            return result;
        }
        const int remaining = static_cast<int>(left);
        ::WinHttpSetTimeouts(session.get(), remaining,
                             std::min(request.connectTimeoutMs, remaining), remaining, remaining);
        const CInternetHandle connection(
            ::WinHttpConnect(session.get(), url.host.c_str(), url.port, 0));
        if (!connection) {
            result.failure = Translate(::GetLastError(), 0);
            return result;
        }
        // Credentials go only to the address they were written for.
        std::wstring hopHeaders = headers;
        if (authorizationAt != std::wstring::npos && url.Origin() != credentialOrigin) {
            hopHeaders.erase(authorizationAt);
        }
        CInternetHandle handle;
        DWORD secureFlags = 0;
        bool caFileTried = false;
        for (;;) {
            handle.reset(::WinHttpOpenRequest(connection.get(), L"GET", url.path.c_str(), nullptr,
                                              WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              url.https ? WINHTTP_FLAG_SECURE : 0));
            if (!handle) {
                result.failure = Translate(::GetLastError(), 0);
                return result;
            }
            // Set on the request as well: Wine's WinHTTP takes the time to wait for the
            // response from the request alone.
            ::WinHttpSetTimeouts(handle.get(), remaining,
                                 std::min(request.connectTimeoutMs, remaining), remaining,
                                 remaining);
            DWORD responseTimeout = static_cast<DWORD>(remaining);
            ::WinHttpSetOption(handle.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                               &responseTimeout, sizeof responseTimeout);
            secureFlags = 0;
            DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&secureFlags);
            ::WinHttpSetOption(handle.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context,
                               sizeof context);
            // No connection outlives its download: one opened without the chain check (below)
            // must never serve another, and Wine pools connections across sessions.
            DWORD noKeepAlive = WINHTTP_DISABLE_KEEP_ALIVE;
            ::WinHttpSetOption(handle.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noKeepAlive,
                               sizeof noKeepAlive);
            if (caFileTried) {
                DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
                ::WinHttpSetOption(handle.get(), WINHTTP_OPTION_SECURITY_FLAGS, &ignore,
                                   sizeof ignore);
            }
            if (::WinHttpSendRequest(
                    handle.get(),
                    hopHeaders.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : hopHeaders.c_str(),
                    hopHeaders.empty() ? 0 : static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0, 0,
                    0) &&
                ::WinHttpReceiveResponse(handle.get(), nullptr)) {
                break;
            }
            const DWORD error = ::GetLastError();
            result.failure = Translate(error, secureFlags);
            if (result.failure == EDownloadFailure::Other) {
                result.detail = "download failed (error " + std::to_string(error) + ")";
            }
            // An unknown CA may be the one of the CA file: a new request is made without
            // WinHTTP's chain check, and the chain is checked against that file instead.
            // (Wine reports an unknown CA as a failed secure channel.)
            const bool maybeUnknownCa = result.failure == EDownloadFailure::CertificateNotTrusted ||
                                        error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR;
            if (!maybeUnknownCa || request.caFile.empty() || caFileTried) return result;
            caFileTried = true;
        }
        if (caFileTried && !ChainsToCaFile(handle.get(), request.caFile)) {
            result.failure = EDownloadFailure::CertificateNotTrusted;
            return result;
        }

        DWORD status = 0;
        DWORD size = sizeof status;
        ::WinHttpQueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                              WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                              WINHTTP_NO_HEADER_INDEX);
        result.httpStatus = static_cast<int>(status);
        if (status >= 300 && status <= 399 && status != 304) {
            const std::wstring location = QueryText(handle.get(), WINHTTP_QUERY_LOCATION);
            if (location.empty()) {
                result.failure = EDownloadFailure::HttpStatus;
                return result;
            }
            if (hop >= request.maxRedirects) {
                result.failure = EDownloadFailure::TooManyRedirects;
                return result;
            }
            const std::wstring target = Resolve(url, location);
            if (!CDownloader::IsHttpScheme(Narrow(target))) {
                result.failure = EDownloadFailure::UnsupportedRedirect;
                return result;
            }
            SUrl next;
            if (!Crack(target, next)) {
                result.failure = EDownloadFailure::BadAddress;
                return result;
            }
            if (url.https && !next.https) {
                result.failure = EDownloadFailure::InsecureRedirect;
                return result;
            }
            url = next;
            continue;
        }
        if (status == 304) {
            result.failure = EDownloadFailure::None;
            return result;
        }
        if (status < 200 || status > 299) {
            result.failure = EDownloadFailure::HttpStatus;
            result.retryAfterSeconds =
                RetryAfterSeconds(QueryText(handle.get(), WINHTTP_QUERY_RETRY_AFTER));
            return result;
        }

        CWin32Handle target(::CreateFileA(request.targetPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                          TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!target.IsValid()) {
            result.failure = EDownloadFailure::Other;
            result.detail = "cannot write the temporary file";
            return result;
        }
        // A body sent as it is must be as long as announced; a shorter one was cut off.
        const std::wstring lengthText = QueryText(handle.get(), WINHTTP_QUERY_CONTENT_LENGTH);
        const bool encoded = !QueryText(handle.get(), WINHTTP_QUERY_CONTENT_ENCODING).empty();
        std::uint64_t received = 0;
        std::vector<char> buffer(64 * 1024);
        for (;;) {
            if (Clock::now() >= deadline) {
                result.failure = EDownloadFailure::TimedOut;
                return result;
            }
            // Each wait for data ends by the deadline, however slowly the body comes.
            DWORD receiveTimeout = static_cast<DWORD>(std::max<std::int64_t>(
                1, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                       .count()));
            ::WinHttpSetOption(handle.get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, &receiveTimeout,
                               sizeof receiveTimeout);
            // Only what has arrived is asked for: a read of more may wait for all of it (Wine
            // does), past the deadline.
            DWORD available = 0;
            if (!::WinHttpQueryDataAvailable(handle.get(), &available)) {
                result.failure = Translate(::GetLastError(), secureFlags);
                return result;
            }
            if (available == 0) break;
            DWORD read = 0;
            if (!::WinHttpReadData(handle.get(), buffer.data(),
                                   std::min(available, static_cast<DWORD>(buffer.size())), &read)) {
                result.failure = Translate(::GetLastError(), secureFlags);
                return result;
            }
            if (read == 0) break;
            received += read;
            if (received > request.maxBodyBytes) {
                result.failure = EDownloadFailure::TooLarge;
                return result;
            }
            DWORD written = 0;
            if (!::WriteFile(target.Get(), buffer.data(), read, &written, nullptr) ||
                written != read) {
                result.failure = EDownloadFailure::Other;
                result.detail = "cannot write the temporary file";
                return result;
            }
        }
        if (!encoded && !lengthText.empty() &&
            Digits(lengthText) != static_cast<std::int64_t>(received)) {
            result.failure = EDownloadFailure::ConnectionLost;
            return result;
        }
        if (!target.Close()) {
            result.failure = EDownloadFailure::Other;
            result.detail = "cannot write the temporary file";
            return result;
        }
        result.etag = Narrow(QueryText(handle.get(), WINHTTP_QUERY_ETAG));
        result.lastModified = Narrow(QueryText(handle.get(), WINHTTP_QUERY_LAST_MODIFIED));
        result.failure = EDownloadFailure::None;
        return result;
    }
}

CDownloader& CDownloader::Default() {
    static CWinHttpDownloader downloader;
    return downloader;
}
