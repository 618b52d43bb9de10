#include "ical/VTimeZone.h"

#include <algorithm>

#include "ical/FixedOffsetZone.h"
#include "ical/IcalDateTime.h"
#include "ical/IcalDuration.h"
#include "ical/RecurrenceIterator.h"

std::unique_ptr<CVTimeZone> CVTimeZone::FromComponent(const CIcalComponent& component,
                                                      std::vector<std::string>* problems) {
    const CContentLine* tzid = component.Find("TZID");
    if (tzid == nullptr || tzid->value.empty()) {
        return nullptr;
    }
    auto zone = std::make_unique<CVTimeZone>();
    zone->m_Name = tzid->value;
    const IcalSeconds end = CCivilTime::ToSeconds(CCivilFields{kLastYear + 1, 1, 1, 0, 0, 0});
    // (onset in UTC, offset from, offset to); the earliest onset decides the offset before.
    struct SOnset {
        IcalSeconds utc;
        int from;
        int to;
    };
    std::vector<SOnset> onsets;
    auto problem = [problems](const std::string& text) {
        if (problems != nullptr) {
            problems->push_back(text);
        }
    };
    for (const CIcalComponent& observance : component.children) {
        if (observance.name != "STANDARD" && observance.name != "DAYLIGHT") {
            continue;
        }
        const CContentLine* start = observance.Find("DTSTART");
        const CContentLine* from = observance.Find("TZOFFSETFROM");
        const CContentLine* to = observance.Find("TZOFFSETTO");
        CIcalDateTime onset;
        int offsetFrom = 0;
        int offsetTo = 0;
        if (start == nullptr || to == nullptr || !CIcalDateTime::Parse(start->value, onset) ||
            !ParseUtcOffset(to->value, offsetTo)) {
            problem("time zone " + zone->m_Name + ": observance at line " +
                    std::to_string(observance.line) + " left out");
            continue;
        }
        if (from == nullptr || !ParseUtcOffset(from->value, offsetFrom)) {
            offsetFrom = offsetTo;
        }
        const CFixedOffsetZone before(offsetFrom);
        auto add = [&](IcalSeconds local) {
            onsets.push_back({local - offsetFrom, offsetFrom, offsetTo});
        };
        add(onset.Seconds());
        for (const CContentLine* rrule : observance.FindAll("RRULE")) {
            CRecurrenceRule rule;
            if (!CRecurrenceRule::Parse(rrule->value, rule, nullptr)) {
                problem("time zone " + zone->m_Name + ": RRULE at line " +
                        std::to_string(rrule->line) + " not understood");
                continue;
            }
            CRecurrenceIterator iterator(rule, onset.fields, &before);
            IcalSeconds local = 0;
            while (iterator.Next(local) && local < end) {
                add(local);
            }
        }
        for (const CContentLine* rdate : observance.FindAll("RDATE")) {
            int bad = 0;
            for (const CIcalDateTime& value : CIcalDateTime::ParseList(*rdate, bad)) {
                add(value.isUtc ? value.Seconds() + offsetFrom : value.Seconds());
            }
        }
    }
    if (onsets.empty()) {
        return nullptr;
    }
    std::sort(onsets.begin(), onsets.end(),
              [](const SOnset& a, const SOnset& b) { return a.utc < b.utc; });
    zone->m_OffsetBefore = onsets.front().from;
    for (const SOnset& onset : onsets) {
        if (!zone->m_Transitions.empty() && zone->m_Transitions.back().utc == onset.utc) {
            zone->m_Transitions.back().offsetAfter = onset.to;
            continue;
        }
        zone->m_Transitions.push_back({onset.utc, onset.to});
    }
    return zone;
}

int CVTimeZone::OffsetAtUtc(IcalSeconds utcSeconds) const {
    const auto after = std::upper_bound(
        m_Transitions.begin(), m_Transitions.end(), utcSeconds,
        [](IcalSeconds t, const STransition& transition) { return t < transition.utc; });
    if (after == m_Transitions.begin()) {
        return m_OffsetBefore;
    }
    return std::prev(after)->offsetAfter;
}
