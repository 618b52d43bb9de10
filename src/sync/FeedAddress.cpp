#include "sync/FeedAddress.h"

#include <cctype>
#include <string_view>

namespace {

struct SScheme {
    std::string_view prefix;
    std::string_view fetchedAs;
};

constexpr SScheme kSchemes[] = {
    {"http://", "http://"},
    {"https://", "https://"},
    {"webcal://", "https://"},
    {"webcals://", "https://"},
};

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

const SScheme* SchemeOf(const std::string& feed) {
    for (const SScheme& scheme : kSchemes) {
        if (StartsWithNoCase(feed, scheme.prefix)) return &scheme;
    }
    return nullptr;
}

// Where the user part ends (its '@'), or npos when the authority has none. The authority
// ends at the first '/', '?' or '#'; the last '@' in it ends the user part.
std::size_t UserInfoEnd(const std::string& feed, std::size_t authority) {
    const std::size_t end = feed.find_first_of("/?#", authority);
    const std::size_t at = feed.rfind('@', end == std::string::npos ? std::string::npos : end);
    return at == std::string::npos || at < authority ? std::string::npos : at;
}

// The user part of an address: from `authority` up to its '@' at `at`. False for anything that
// is not an address or has no user part.
bool FindUserInfo(const std::string& feed, std::size_t& authority, std::size_t& at) {
    const SScheme* const scheme = SchemeOf(feed);
    if (scheme == nullptr) return false;
    authority = scheme->prefix.size();
    at = UserInfoEnd(feed, authority);
    return at != std::string::npos;
}

}  // namespace

bool CFeedAddress::IsAddress(const std::string& feed) {
    return SchemeOf(feed) != nullptr;
}

std::string CFeedAddress::FetchUrl(const std::string& feed) {
    const SScheme* const scheme = SchemeOf(feed);
    if (scheme == nullptr) return feed;
    return std::string(scheme->fetchedAs) + feed.substr(scheme->prefix.size());
}

bool CFeedAddress::HasCredentials(const std::string& feed) {
    const SScheme* const scheme = SchemeOf(feed);
    return scheme != nullptr && UserInfoEnd(feed, scheme->prefix.size()) != std::string::npos;
}

bool CFeedAddress::SendsCredentialsInClear(const std::string& feed) {
    return HasCredentials(feed) && StartsWithNoCase(FetchUrl(feed), "http://");
}

std::string CFeedAddress::Masked(const std::string& feed) {
    std::size_t authority = 0;
    std::size_t at = 0;
    if (!FindUserInfo(feed, authority, at)) return feed;
    const std::size_t colon = feed.find(':', authority);
    const std::string user =
        colon < at ? feed.substr(authority, colon - authority) + ":***" : std::string("***");
    return feed.substr(0, authority) + user + feed.substr(at);
}

std::string CFeedAddress::WithoutUserInfo(const std::string& feed) {
    std::size_t authority = 0;
    std::size_t at = 0;
    if (!FindUserInfo(feed, authority, at)) return feed;
    return feed.substr(0, authority) + feed.substr(at + 1);
}

bool CFeedAddress::SplitPassword(const std::string& feed, std::string& withoutPassword,
                                 std::string& password) {
    std::size_t authority = 0;
    std::size_t at = 0;
    if (!FindUserInfo(feed, authority, at)) return false;
    const std::size_t colon = feed.find(':', authority);
    if (colon > at) return false;
    password = feed.substr(colon + 1, at - colon - 1);
    withoutPassword = feed.substr(0, colon) + feed.substr(at);
    return true;
}

std::string CFeedAddress::WithPassword(const std::string& feed, const std::string& password) {
    std::size_t authority = 0;
    std::size_t at = 0;
    if (!FindUserInfo(feed, authority, at) || feed.find(':', authority) < at) return feed;
    return feed.substr(0, at) + ":" + password + feed.substr(at);
}
