#include "ical/VTimeZone.h"

#include <algorithm>

#include "ical/FixedOffsetZone.h"
#include "ical/IcalDateTime.h"
#include "ical/IcalDuration.h"
#include "ical/RecurrenceIterator.h"

namespace {

// The Gregorian calendar's cycle: 146,097 days.
constexpr IcalSeconds kCycleSeconds = 146097 * CCivilTime::kSecondsPerDay;

}  // namespace

std::unique_ptr<CVTimeZone> CVTimeZone::FromComponent(const CIcalComponent& component,
                                                      std::vector<std::string>* problems) {
    const CContentLine* tzid = component.Find("TZID");
    if (tzid == nullptr || tzid->value.empty()) {
        return nullptr;
    }
    auto zone = std::make_unique<CVTimeZone>();
    zone->m_Name = tzid->value;
    auto problem = [problems](const std::string& text) {
        if (problems != nullptr) {
            problems->push_back(text);
        }
    };

    struct SObservance {
        const CIcalComponent* component;
        CIcalDateTime onset;
        int from;
        int to;
        std::vector<CRecurrenceRule> rules;
    };
    std::vector<SObservance> observances;
    int lastNamedYear = 1;
    bool periodic = true;
    for (const CIcalComponent& child : component.children) {
        if (child.name != "STANDARD" && child.name != "DAYLIGHT") {
            continue;
        }
        const CContentLine* start = child.Find("DTSTART");
        const CContentLine* from = child.Find("TZOFFSETFROM");
        const CContentLine* to = child.Find("TZOFFSETTO");
        SObservance observance{&child, {}, 0, 0, {}};
        if (start == nullptr || to == nullptr ||
            !CIcalDateTime::Parse(start->value, observance.onset) ||
            !ParseUtcOffset(to->value, observance.to)) {
            problem("time zone " + zone->m_Name + ": observance at line " +
                    std::to_string(child.line) + " left out");
            continue;
        }
        if (from == nullptr || !ParseUtcOffset(from->value, observance.from)) {
            observance.from = observance.to;
        }
        lastNamedYear = std::max(lastNamedYear, observance.onset.fields.year);
        for (const CContentLine* rrule : child.FindAll("RRULE")) {
            CRecurrenceRule rule;
            if (!CRecurrenceRule::Parse(rrule->value, rule, nullptr)) {
                problem("time zone " + zone->m_Name + ": RRULE at line " +
                        std::to_string(rrule->line) + " not understood");
                continue;
            }
            if (rule.until) {
                lastNamedYear = std::max(lastNamedYear, rule.until->fields.year);
            }
            periodic =
                periodic && rule.freq == EFrequency::Yearly && rule.interval == 1 && !rule.count;
            zone->m_OpenEnded = zone->m_OpenEnded || (!rule.count && !rule.until);
            observance.rules.push_back(rule);
        }
        for (const CContentLine* rdate : child.FindAll("RDATE")) {
            int bad = 0;
            for (const CIcalDateTime& value : CIcalDateTime::ParseList(*rdate, bad)) {
                lastNamedYear = std::max(lastNamedYear, value.fields.year);
            }
        }
        observances.push_back(std::move(observance));
    }
    if (observances.empty()) {
        return nullptr;
    }

    const int tableEndYear =
        periodic ? std::min(9999, std::max(kLeastTableYear, lastNamedYear + 401)) : 9999;
    const IcalSeconds end = CCivilTime::ToSeconds(CCivilFields{tableEndYear + 1, 1, 1, 0, 0, 0});
    zone->m_Periodic = periodic && tableEndYear < 9999;
    zone->m_PeriodicFrom = end;

    struct SOnset {
        IcalSeconds utc;
        int from;
        int to;
    };
    std::vector<SOnset> onsets;
    for (const SObservance& observance : observances) {
        const CFixedOffsetZone before(observance.from);
        size_t brought = 0;
        auto add = [&](IcalSeconds local) {
            if (brought >= static_cast<size_t>(kMostOnsets)) {
                return false;
            }
            ++brought;
            onsets.push_back({local - observance.from, observance.from, observance.to});
            return true;
        };
        add(observance.onset.Seconds());
        for (const CRecurrenceRule& rule : observance.rules) {
            CRecurrenceIterator iterator(rule, observance.onset.fields, &before);
            IcalSeconds local = 0;
            while (iterator.Next(local) && local < end) {
                if (!add(local)) {
                    problem("time zone " + zone->m_Name + ": observance at line " +
                            std::to_string(observance.component->line) + " cut after " +
                            std::to_string(kMostOnsets) + " onsets");
                    break;
                }
            }
        }
        for (const CContentLine* rdate : observance.component->FindAll("RDATE")) {
            int bad = 0;
            for (const CIcalDateTime& value : CIcalDateTime::ParseList(*rdate, bad)) {
                add(value.isUtc ? value.Seconds() + observance.from : value.Seconds());
            }
        }
    }
    std::sort(onsets.begin(), onsets.end(),
              [](const SOnset& a, const SOnset& b) { return a.utc < b.utc; });
    zone->m_OffsetBefore = onsets.front().from;
    zone->m_CoveredFrom = onsets.front().utc;
    zone->m_CoveredTo = onsets.back().utc;
    for (const SOnset& onset : onsets) {
        if (!zone->m_Transitions.empty() && zone->m_Transitions.back().utc == onset.utc) {
            zone->m_Transitions.back().offsetAfter = onset.to;
            continue;
        }
        zone->m_Transitions.push_back({onset.utc, onset.to});
    }
    return zone;
}

bool CVTimeZone::Covers(IcalSeconds utcSeconds) const {
    return utcSeconds >= m_CoveredFrom && (m_OpenEnded || utcSeconds <= m_CoveredTo);
}

int CVTimeZone::OffsetAtUtc(IcalSeconds utcSeconds) const {
    if (m_Outside && !Covers(utcSeconds)) {
        return m_Outside->OffsetAtUtc(utcSeconds);
    }
    if (m_Periodic && utcSeconds >= m_PeriodicFrom) {
        utcSeconds -= ((utcSeconds - m_PeriodicFrom) / kCycleSeconds + 1) * kCycleSeconds;
    }
    const auto after = std::upper_bound(
        m_Transitions.begin(), m_Transitions.end(), utcSeconds,
        [](IcalSeconds t, const STransition& transition) { return t < transition.utc; });
    if (after == m_Transitions.begin()) {
        return m_OffsetBefore;
    }
    return std::prev(after)->offsetAfter;
}
