// libcurl, loaded when the first download needs it.
#pragma once

#include <curl/curl.h>

#include <string>

// The program is not linked against libcurl: its tree of libraries (TLS, HTTP/2, LDAP,
// Kerberos, ...) would cost every run some milliseconds of start-up and megabytes of
// memory, and most runs never download. The library is opened once per process, on first
// use, and stays loaded; curl_global_init runs right after it is opened and
// curl_global_cleanup at exit.
//
// The members are libcurl's functions of the same name without the "curl_" prefix.
class CCurlLibrary {
public:
    // The loaded library, or nullptr when it cannot be loaded (not installed, a symbol
    // missing, curl_global_init failed); `error` then says why. Later calls give the same
    // outcome without trying again.
    static const CCurlLibrary* Get(std::string& error);

    CCurlLibrary(const CCurlLibrary&) = delete;
    CCurlLibrary& operator=(const CCurlLibrary&) = delete;
    ~CCurlLibrary();

    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_global_cleanup) global_cleanup = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
    decltype(&::curl_url) url = nullptr;
    decltype(&::curl_url_set) url_set = nullptr;
    decltype(&::curl_url_get) url_get = nullptr;
    decltype(&::curl_url_cleanup) url_cleanup = nullptr;
    decltype(&::curl_free) free = nullptr;
    decltype(&::curl_getdate) getdate = nullptr;

private:
    CCurlLibrary() = default;
    // False with `m_error` set when the library or one of its functions is missing.
    bool Load();

    void* m_handle = nullptr;
    bool m_initialised = false;
    std::string m_error;
};
