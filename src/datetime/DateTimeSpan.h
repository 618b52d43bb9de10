// A signed duration in seconds: the difference of two date-times and the step by which
// dates move.
#pragma once

#include <cstdint>

#include "archive/Object.h"

class CDateTimeSpan : public CObject {
public:
    CDateTimeSpan() = default;
    explicit CDateTimeSpan(std::int64_t seconds) : m_nSeconds(seconds) {}
    // ((days * 24 + hours) * 60 + minutes) * 60 + seconds, in 64-bit arithmetic.
    CDateTimeSpan(int days, int hours, int minutes, int seconds);
    CDateTimeSpan(const CDateTimeSpan&) = default;
    CDateTimeSpan& operator=(const CDateTimeSpan&) = default;

    void SetDateTimeSpan(int days, int hours, int minutes, int seconds);

    // Truncating toward zero; the result taken as 32 bits.
    int GetTotalDays() const;
    int GetTotalMinutes() const;
    std::int64_t GetTotalSeconds() const { return m_nSeconds; }

    // Wraps modulo 2^64 instead of overflowing.
    CDateTimeSpan operator-(const CDateTimeSpan& other) const;
    CDateTimeSpan& operator-=(const CDateTimeSpan& other);
    bool operator==(const CDateTimeSpan& other) const { return m_nSeconds == other.m_nSeconds; }

    // A span is never stored; this does nothing.
    void Serialize(CArchive& ar) override;

private:
    std::int64_t m_nSeconds = 0;
};
