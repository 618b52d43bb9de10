#include "icalmap/EventGuid.h"

#include "digest/Sha1.h"

const CEventGuid::Uuid CEventGuid::kNamespace = {0x6f, 0x1c, 0x3a, 0x52, 0x8d, 0x4e, 0x4b, 0x7a,
                                                 0x9c, 0x21, 0x5e, 0x0f, 0x7d, 0x3a, 0x9b, 0x14};

CEventGuid::Uuid CEventGuid::NameBased(const Uuid& space, std::string_view name) {
    CSha1 sha;
    sha.Update(std::string_view(reinterpret_cast<const char*>(space.data()), space.size()));
    sha.Update(name);
    const CSha1::Digest digest = sha.Finish();
    Uuid uuid{};
    for (std::size_t i = 0; i < uuid.size(); ++i) uuid[i] = digest[i];
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x50);  // version 5
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80);  // RFC variant
    return uuid;
}

std::string CEventGuid::Format(const Uuid& uuid) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = "{";
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kHex[uuid[i] >> 4];
        text += kHex[uuid[i] & 0x0F];
    }
    text += '}';
    return text;
}

std::string CEventGuid::FromUid(std::string_view uid) {
    return Format(NameBased(kNamespace, uid));
}
