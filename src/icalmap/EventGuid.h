// The calendar GUID of an iCalendar event: a name-based UUID (RFC 9562 version 5, SHA-1) of
// its UID, so that the same UID gives the same GUID in every feed, every run and on every
// platform.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CEventGuid {
public:
    using Uuid = std::array<std::uint8_t, 16>;

    // The namespace of every event GUID; fixed for good, since changing it would give every
    // imported event a new identity.
    static const Uuid kNamespace;

    // The version-5 UUID of `name` (its bytes as given) in `space`.
    static Uuid NameBased(const Uuid& space, std::string_view name);
    // The calendar's 38-character form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
    static std::string Format(const Uuid& uuid);
    // The GUID text of an event whose UID is `uid`, its bytes as the file holds them (UTF-8,
    // before any conversion to the ANSI code page).
    static std::string FromUid(std::string_view uid);
};
