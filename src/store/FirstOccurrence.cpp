#include "store/FirstOccurrence.h"

#include "datetime/DateTimeRange.h"

CDateTime CFirstOccurrence::Start(const DateEntryProperties& p) {
    CDateTime start = p.StartDate;
    if (p.ShowStartTime == 0) start.SetTime(0, 0, 0);
    return start;
}

CDateTime CFirstOccurrence::End(const DateEntryProperties& p) {
    CDateTime end = p.ShowEnd != 0 ? p.EndDate.Get() : Start(p);
    if (p.ShowStartTime == 0) end.SetTime(23, 59, 59);
    return end;
}

std::int64_t CFirstOccurrence::Duration(const DateEntryProperties& p) {
    return CDateTimeRange::ToSeconds(End(p)) - CDateTimeRange::ToSeconds(Start(p));
}
