// A zone whose offset never changes: UTC for times written with 'Z', or the offset an
// observance of a VTIMEZONE starts from.
#pragma once

#include <string>

#include "ical/TimeZone.h"

class CFixedOffsetZone : public CTimeZone {
public:
    // `offset`: seconds east of UTC.
    explicit CFixedOffsetZone(int offset, std::string name = "UTC")
        : m_Offset(offset), m_Name(std::move(name)) {}

    int OffsetAtUtc(IcalSeconds) const override { return m_Offset; }
    IcalSeconds UtcFromLocal(IcalSeconds localSeconds) const override {
        return localSeconds - m_Offset;
    }
    std::string Name() const override { return m_Name; }

private:
    int m_Offset;
    std::string m_Name;
};
