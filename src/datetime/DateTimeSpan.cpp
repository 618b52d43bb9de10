#include "datetime/DateTimeSpan.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Two's-complement wrap instead of signed overflow.
std::int64_t WrappingSubtract(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

}  // namespace

CDateTimeSpan::CDateTimeSpan(int days, int hours, int minutes, int seconds) {
    SetDateTimeSpan(days, hours, minutes, seconds);
}

void CDateTimeSpan::SetDateTimeSpan(int days, int hours, int minutes, int seconds) {
    // Every term fits: |days| * 86400 stays below 2^48.
    m_nSeconds = ((static_cast<std::int64_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds;
}

int CDateTimeSpan::GetTotalDays() const {
    return static_cast<int>(m_nSeconds / kSecondsPerDay);
}

int CDateTimeSpan::GetTotalMinutes() const {
    return static_cast<int>(m_nSeconds / 60);
}

CDateTimeSpan CDateTimeSpan::operator-(const CDateTimeSpan& other) const {
    return CDateTimeSpan(WrappingSubtract(m_nSeconds, other.m_nSeconds));
}

CDateTimeSpan& CDateTimeSpan::operator-=(const CDateTimeSpan& other) {
    m_nSeconds = WrappingSubtract(m_nSeconds, other.m_nSeconds);
    return *this;
}

void CDateTimeSpan::Serialize(CArchive&) {}
