#include "icalmap/EventGuid.h"

#include <gtest/gtest.h>

namespace {

// RFC 9562's own example of a version-5 UUID (the DNS namespace, "www.example.com").
TEST(EventGuidTest, RfcExample) {
    const CEventGuid::Uuid dns = {0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1,
                                  0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
    EXPECT_EQ(CEventGuid::Format(CEventGuid::NameBased(dns, "www.example.com")),
              "{2ED6657D-E927-568B-95E1-2665A8AEA6A2}");
}

// The identity of an event must never change between releases: this text is what earlier
// imports stored (and what Python's uuid.uuid5 gives for the namespace).
TEST(EventGuidTest, UidsGiveFixedGuids) {
    const std::string guid = CEventGuid::FromUid("training-42@club.example");
    EXPECT_EQ(guid, "{3A40ACA4-C116-5191-AE4B-A8D440C8D289}");
    EXPECT_NE(guid, CEventGuid::FromUid("training-43@club.example"));
    EXPECT_NE(CEventGuid::FromUid("Caf\xC3\xA9"), CEventGuid::FromUid("Caf\xE9"));
}

}  // namespace
