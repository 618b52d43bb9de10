// The recurrence of one exported date entry: the calendar's occurrences up to a horizon, and
// the RRULE (with its EXDATEs) that yields exactly those, where one does.
#pragma once

#include <optional>
#include <vector>

#include "datetime/DateTime.h"
#include "ical/CivilTime.h"
#include "ical/RecurrenceRule.h"

class CDateEntry;

class CCheckedRule {
public:
    // A series by hours is checked over its last kMostOccurrencesChecked occurrences before
    // the horizon at most (an hourly series from 1990 to 2030 has some 350,000).
    static constexpr std::int64_t kMostOccurrencesChecked = 400000;

    // Wall-clock seconds (CCivilTime) of a date-time of the calendar.
    static IcalSeconds ToLocal(const CDateTime& value);

    // Looks at `entry` up to `horizon`: its occurrences as the agenda lists them
    // (CAgenda::Collect), then the rule of CRuleMapping ending at the series' last start and,
    // as exclusions, the dropped occurrences that the rule yields. The rule is kept when its
    // RFC 5545 expansion (CRecurrenceIterator) up to the horizon, less the exclusions, equals
    // the occurrences.
    CCheckedRule(const CDateEntry& entry, const CDateTime& horizon);

    // The starts of the occurrences before the horizon, in order; when !IsWhole(), the first
    // and then the last kMostOccurrencesChecked only.
    const std::vector<IcalSeconds>& Occurrences() const { return m_occurrences; }
    bool IsWhole() const { return m_whole; }
    // The last start of a series that ends after a count (when the calendar reaches it) or at
    // a date (RepeatEndDate).
    const std::optional<IcalSeconds>& Until() const { return m_until; }
    // The exact rule, if any, without its end (Until()); not checked when !IsWhole().
    const std::optional<CRecurrenceRule>& Rule() const { return m_rule; }
    // Starts to exclude from the rule (EXDATE), in order.
    const std::vector<IcalSeconds>& Excluded() const { return m_excluded; }

private:
    void Collect(const CDateEntry& entry, const CDateTime& horizon);
    void Check(const CDateEntry& entry, const CDateTime& horizon);

    std::vector<IcalSeconds> m_occurrences;
    bool m_whole = true;
    std::optional<IcalSeconds> m_until;
    std::optional<CRecurrenceRule> m_rule;
    std::vector<IcalSeconds> m_excluded;
};
