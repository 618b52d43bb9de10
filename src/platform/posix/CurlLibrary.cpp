#include "platform/posix/CurlLibrary.h"

#include <dlfcn.h>

#include <type_traits>

namespace {

// The soname of libcurl 7.16 and later, whose functions and options are those used here.
constexpr const char* kSoname = "libcurl.so.4";

}  // namespace

const CCurlLibrary* CCurlLibrary::Get(std::string& error) {
    static CCurlLibrary library;
    static const bool loaded = library.Load();
    if (!loaded) {
        error = library.m_error;
        return nullptr;
    }
    return &library;
}

CCurlLibrary::~CCurlLibrary() {
    // The library itself stays mapped: handlers it registered may still run at exit.
    if (m_initialised) global_cleanup();
}

bool CCurlLibrary::Load() {
    m_handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* const why = dlerror();
        m_error =
            std::string("cannot load ") + kSoname + (why != nullptr ? ": " + std::string(why) : "");
        return false;
    }
    bool complete = true;
    const auto find = [&](auto& function, const char* name) {
        function =
            reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(m_handle, name));
        if (function == nullptr && complete) {
            complete = false;
            m_error = std::string(kSoname) + " lacks " + name;
        }
    };
    find(global_init, "curl_global_init");
    find(global_cleanup, "curl_global_cleanup");
    find(easy_init, "curl_easy_init");
    find(easy_cleanup, "curl_easy_cleanup");
    find(easy_setopt, "curl_easy_setopt");
    find(easy_perform, "curl_easy_perform");
    find(easy_getinfo, "curl_easy_getinfo");
    find(easy_strerror, "curl_easy_strerror");
    find(slist_append, "curl_slist_append");
    find(slist_free_all, "curl_slist_free_all");
    find(url, "curl_url");
    find(url_set, "curl_url_set");
    find(url_get, "curl_url_get");
    find(url_cleanup, "curl_url_cleanup");
    find(free, "curl_free");
    find(getdate, "curl_getdate");
    if (!complete) return false;
    if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        m_error = "curl_global_init failed";
        return false;
    }
    m_initialised = true;
    return true;
}
