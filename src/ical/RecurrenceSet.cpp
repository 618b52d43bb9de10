#include "ical/RecurrenceSet.h"

#include <algorithm>

#include "ical/RecurrenceIterator.h"

std::vector<IcalSeconds> CRecurrenceSet::Expand(IcalSeconds from, IcalSeconds to, std::size_t most,
                                                bool& truncated) const {
    truncated = false;
    std::vector<IcalSeconds> excluded = exdates;
    std::sort(excluded.begin(), excluded.end());
    auto isExcluded = [&excluded](IcalSeconds start) {
        return std::binary_search(excluded.begin(), excluded.end(), start);
    };
    std::vector<IcalSeconds> starts;
    auto take = [&](IcalSeconds start) {
        if (start >= from && start < to && !isExcluded(start)) {
            starts.push_back(start);
        }
    };
    take(CCivilTime::ToSeconds(dtstart));
    for (const IcalSeconds rdate : rdates) {
        take(rdate);
    }
    for (const CRecurrenceRule& rule : rules) {
        CRecurrenceIterator iterator(rule, dtstart, zone);
        iterator.SeekTo(from);
        IcalSeconds start = 0;
        // One more than asked for tells whether the window holds more.
        std::size_t taken = 0;
        while (taken <= most && iterator.Next(start) && start < to) {
            if (start >= from && !isExcluded(start)) {
                starts.push_back(start);
                ++taken;
            }
        }
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    if (starts.size() > most) {
        starts.resize(most);
        truncated = true;
    }
    return starts;
}

bool CRecurrenceSet::IsFinite() const {
    return std::all_of(rules.begin(), rules.end(), [](const CRecurrenceRule& rule) {
        return rule.count.has_value() || rule.until.has_value();
    });
}
