// A CPlatform for tests: a settable local clock, fixed locale names, counting GUIDs and a
// chosen set of lead bytes, so that results do not depend on the machine running the tests.
#pragma once

#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/PlatformWrapper.h"

// Usage:
//     CFakePlatform platform;          // English names, clock at 2024-05-17 08:30:00
//     platform.Install();              // now CPlatform::Current()
//     platform.SetLocalTime({2024, 1, 1, 0, 0, 0});
//     ...                              // the destructor restores the previous platform
//
// Faked: GetLocalTime, GetLocaleText, CreateGuidString, IsLeadByte, WideToAnsi.
// Forwarded to CPlatform::Default() (the real platform of this build): Utf8ToAnsi,
// AnsiToUtf8, PathSeparator, SamePathText and every file operation. A test that needs
// failing files should wrap or derive from this class and override the file operations it
// wants to fail.
class CFakePlatform : public CPlatformWrapper {
public:
    CFakePlatform();
    // Uninstalls first when installed.
    ~CFakePlatform() override;

    // Makes this object CPlatform::Current(); Uninstall (or destruction) puts back whatever
    // was current before. Installing twice is harmless.
    void Install();
    void Uninstall();

    // The time that GetLocalTime returns from now on.
    void SetLocalTime(const CivilTime& time) { m_localTime = time; }
    // Replaces one locale text. Defaults are English: "Mon".."Sun", "Monday".."Sunday",
    // "Jan".."Dec", "January".."December", "AM", "PM". An item or index without a text
    // (for example index 7 of a day name) yields "".
    void SetLocaleText(ELocaleText item, int index, std::string text);
    // How many GetLocaleText calls were made since construction.
    int GetLocaleTextCalls() const { return m_localeTextCalls; }
    // The number that the next CreateGuidString renders; it counts up by one per call.
    // GUID texts are "{00000000-0000-0000-0000-" + the number as 12 upper-case hex digits
    // + "}", so the first one (number 1) is {00000000-0000-0000-0000-000000000001}.
    void SetNextGuidNumber(std::uint64_t number) { m_nextGuid = number; }
    // Marks `c` as the first byte of a double-byte character (none is by default).
    void SetLeadByte(unsigned char c, bool lead = true) { m_leadBytes.set(c, lead); }

    CivilTime GetLocalTime() override { return m_localTime; }
    std::string GetLocaleText(ELocaleText item, int index) override;
    std::string CreateGuidString() override;
    bool IsLeadByte(unsigned char c) override { return m_leadBytes.test(c); }
    // Code units below 0x100 become the byte of the same value; any other character
    // (a surrogate pair counts as one) becomes '?'.
    std::string WideToAnsi(const std::u16string& text) override;

private:
    CivilTime m_localTime{2024, 5, 17, 8, 30, 0};
    std::map<std::pair<ELocaleText, int>, std::string> m_localeTexts;
    int m_localeTextCalls = 0;
    std::uint64_t m_nextGuid = 1;
    std::bitset<256> m_leadBytes;
    bool m_installed = false;
    CPlatform* m_previous = nullptr;
};
