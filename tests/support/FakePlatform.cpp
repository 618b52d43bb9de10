#include "support/FakePlatform.h"

#include <cstdio>

namespace {

const char* const kAbbrevDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kDayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};
const char* const kAbbrevMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

}  // namespace

CFakePlatform::CFakePlatform() : CPlatformWrapper(CPlatform::Default()) {
    for (int i = 0; i < 7; ++i) {
        m_localeTexts[{ELocaleText::AbbrevDayName, i}] = kAbbrevDayNames[i];
        m_localeTexts[{ELocaleText::DayName, i}] = kDayNames[i];
    }
    for (int i = 0; i < 12; ++i) {
        m_localeTexts[{ELocaleText::AbbrevMonthName, i}] = kAbbrevMonthNames[i];
        m_localeTexts[{ELocaleText::MonthName, i}] = kMonthNames[i];
    }
    m_localeTexts[{ELocaleText::AmDesignator, 0}] = "AM";
    m_localeTexts[{ELocaleText::PmDesignator, 0}] = "PM";
}

CFakePlatform::~CFakePlatform() {
    Uninstall();
}

void CFakePlatform::Install() {
    if (m_installed) return;
    CPlatform& current = CPlatform::Current();
    m_previous = &current == &CPlatform::Default() ? nullptr : &current;
    CPlatform::SetCurrent(this);
    m_installed = true;
}

void CFakePlatform::Uninstall() {
    if (!m_installed) return;
    CPlatform::SetCurrent(m_previous);
    m_installed = false;
    m_previous = nullptr;
}

void CFakePlatform::SetLocaleText(ELocaleText item, int index, std::string text) {
    m_localeTexts[{item, index}] = std::move(text);
}

std::string CFakePlatform::GetLocaleText(ELocaleText item, int index) {
    ++m_localeTextCalls;
    const auto found = m_localeTexts.find({item, index});
    return found != m_localeTexts.end() ? found->second : std::string();
}

std::string CFakePlatform::CreateGuidString() {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "{00000000-0000-0000-0000-%012llX}",
                  static_cast<unsigned long long>(m_nextGuid & 0xFFFFFFFFFFFFull));
    ++m_nextGuid;
    return buffer;
}

std::string CFakePlatform::WideToAnsi(const std::u16string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit < 0x100) {
            result += static_cast<char>(static_cast<unsigned char>(unit));
            continue;
        }
        result += '?';
        const bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
        if (highSurrogate && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
        }
    }
    return result;
}
