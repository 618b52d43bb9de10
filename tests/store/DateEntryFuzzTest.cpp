// Randomised property sets with values a feed can deliver (any 32-bit integer, dates from
// year 0 to the last day a 32-bit day number reaches), run through every occurrence,
// reminder and update operation. Every call must end, stay within the date range and keep
// the lists consistent; the sanitizers of the test build catch overflow and bad indexing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "datetime/DateTimeRange.h"
#include "store/OccurrenceTestSupport.h"

namespace {

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kDay = 86400;

// Bounds that keep one run short: a window holds at most this many steps of the rule, and
// no count walks further from the series start. The rules allow far more (see the
// performance notes of the recurrence queries); the point here is the values, not the size.
constexpr std::int64_t kWindowSteps = 1500;
constexpr std::int64_t kWalkSteps = 6000;
constexpr int kIterationCap = 20000;

class Generator {
public:
    explicit Generator(std::uint64_t seed) : m_rng(seed) {}

    std::int64_t Uniform(std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(m_rng);
    }
    bool Chance(int percent) { return Uniform(0, 99) < percent; }

    // Any integer the text document's conversion can yield, weighted toward the small
    // values and the extremes where rules break.
    std::int32_t Int(int smallLo, int smallHi) {
        static const std::int32_t kSpecial[] = {kIntMin, kIntMin + 1, -1000000,    -65536, -1, 0, 1,
                                                65536,   1000000,     kIntMax - 1, kIntMax};
        switch (Uniform(0, 9)) {
            case 0:
                return kSpecial[Uniform(0, std::size(kSpecial) - 1)];
            case 1:
                return static_cast<std::int32_t>(Uniform(kIntMin, kIntMax));
            default:
                return static_cast<std::int32_t>(Uniform(smallLo, smallHi));
        }
    }

    // A date that SetDateTime accepts, from year 0 to the last representable day.
    CDateTime Date() {
        CDateTime value;
        switch (Uniform(0, 9)) {
            case 0:
                value.SetDate(0, static_cast<int>(Uniform(1, 12)),
                              static_cast<int>(Uniform(1, 28)));
                break;
            case 1:
                value.SetDate(9999, 12, static_cast<int>(Uniform(1, 31)));
                break;
            case 2:
                value =
                    CDateTime::FromStored(kIntMax - static_cast<std::int32_t>(Uniform(0, 400)), 0);
                break;
            case 3:
                value.SetDate(static_cast<int>(Uniform(1, 5000000)), 1, 1);
                break;
            case 4:
                value.SetDate(1, 1, static_cast<int>(Uniform(1, 31)));
                break;
            default:
                value.SetDate(static_cast<int>(Uniform(1970, 2100)),
                              static_cast<int>(Uniform(1, 12)), static_cast<int>(Uniform(1, 28)));
                break;
        }
        value.SetTime(static_cast<int>(Uniform(0, 23)), static_cast<int>(Uniform(0, 59)),
                      static_cast<int>(Uniform(0, 59)));
        return value;
    }

    // `base` moved by up to `seconds` either way, within the range.
    CDateTime Near(const CDateTime& base, std::int64_t seconds) {
        return CDateTimeRange::AddClamped(base, Uniform(-seconds, seconds));
    }

    DateEntryProperties Properties() {
        DateEntryProperties p;
        p.StartDate = Date();
        p.EndDate = Chance(70) ? Near(p.StartDate, Chance(50) ? kDay : 400 * kDay) : Date();
        p.ShowStartTime = Chance(45) ? 1 : Chance(80) ? 0 : Int(-2, 2);
        p.ShowEnd = Chance(45) ? 1 : Chance(80) ? 0 : Int(-2, 2);
        p.Repeat = Chance(90) ? static_cast<std::int32_t>(Uniform(0, 2)) : Int(-2, 4);
        p.RepeatRate = Int(-3, 12);
        p.RepeatUnit = Int(-1, 6);
        p.RepeatWeekdayCount = Int(-10, 10);
        p.RepeatWeekday = Int(-10, 10);
        p.RepeatEnd = Int(-1, 3);
        p.RepeatEndCount = Chance(20) ? kIntMax : Int(-2, 50);
        p.RepeatEndDate = Chance(70) ? Near(p.StartDate, 3000 * kDay) : Date();
        p.CondTimeEnable = Chance(70) ? 0 : Int(-1, 1);
        for (CPackedDateTime* time : {&p.CondStartTime, &p.CondEndTime}) {
            CDateTime value = *time;
            value.SetTime(static_cast<int>(Uniform(0, 23)), static_cast<int>(Uniform(0, 59)), 0);
            *time = value;
        }
        p.CondWeekdays = Chance(60) ? 127 : Int(0, 127);
        p.CondMonth = Chance(60) ? 4095 : Int(0, 4095);
        p.Forewarn = Chance(50) ? 0 : Int(-1, 1);
        p.ForewarnSpan = Int(-60, 60);
        p.ForewarnUnit = Int(-1, 4);
        p.OverdueAction = Int(-1, 4);
        p.ExecuteSpan = Int(-60, 60);
        p.ExecuteUnit = Int(-1, 4);
        return p;
    }

private:
    std::mt19937_64 m_rng;
};

// A rough lower bound of the distance between two occurrences, in seconds; 0 when the rule
// has at most one occurrence.
std::int64_t ShortestStep(const DateEntryProperties& p) {
    if (p.Repeat == 1 && p.RepeatRate >= 1) {
        const std::int64_t rate = p.RepeatRate;
        switch (p.RepeatUnit) {
            case 1:
                return rate * 3600;
            case 2:
                return rate * kDay;
            case 3:
                return rate * 7 * kDay;
            case 4:
                return rate * 28 * kDay;
            case 5:
                return rate * 365 * kDay;
            default:
                return 0;
        }
    }
    return p.Repeat == 2 ? 7 * kDay : 0;
}

std::int64_t Seconds(const CDateTime& t) {
    return CDateTimeRange::ToSeconds(t);
}

// The step by which windows and list items are placed: at least an hour, at most about
// 3000 years, so that multiples of it stay far from 64-bit overflow.
std::int64_t UsableStep(const DateEntryProperties& p) {
    return std::clamp<std::int64_t>(ShortestStep(p), 3600, 100000000000);
}

// Whether a search over [from, to] stays within the run's bounds for this rule.
bool Affordable(const DateEntryProperties& p, const CDateTime& from, const CDateTime& to) {
    const std::int64_t step = ShortestStep(p);
    if (step == 0) return true;
    const std::int64_t start = Seconds(p.StartDate);
    const std::int64_t walk = std::max<std::int64_t>(0, Seconds(to) - start);
    const std::int64_t width = std::max<std::int64_t>(0, Seconds(to) - Seconds(from));
    return walk / step <= kWalkSteps && width / step <= kWindowSteps;
}

// A window around the series start whose search stays affordable.
void Window(Generator& g, const DateEntryProperties& p, CDateTime& from, CDateTime& to) {
    const std::int64_t step = UsableStep(p);
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (g.Chance(15)) {
            from = g.Date();
            to = g.Chance(50) ? from : g.Near(from, 40 * kDay);
        } else {
            from = g.Near(p.StartDate, step * g.Uniform(1, kWalkSteps / 2));
            to = CDateTimeRange::AddClamped(from, step * g.Uniform(0, kWindowSteps - 1));
        }
        if (from > to) std::swap(from, to);
        if (Affordable(p, from, to)) return;
    }
    from = to = p.StartDate;
}

void FillLists(Generator& g, CDateEntry& entry) {
    const DateEntryProperties& p = entry.Properties;
    const std::int64_t step = UsableStep(p);
    auto item = [&]() {
        CDateTime t;
        CDateTime end;
        // A real occurrence when one is near, otherwise an instant near the start.
        CDateTime from = g.Near(p.StartDate, step * 50);
        if (g.Chance(60) && Affordable(p, from, from) &&
            entry.GetFirstOccurrence(from, CDateTimeRange::AddClamped(from, step * 3), t, end)) {
            return t;
        }
        t = g.Near(p.StartDate, step * 60);
        return Affordable(p, t, t) ? t : p.StartDate.Get();
    };
    for (CDateTimeList* list : {&entry.DueOccurrences, &entry.AcknowledgedOccurrences,
                                &entry.SnoozedOccurrences, &entry.DroppedOccurrences.Edit()}) {
        for (int i = static_cast<int>(g.Uniform(0, 5)); i > 0; --i) {
            const CDateTime t = item();
            if (std::find(list->begin(), list->end(), t) == list->end()) list->Add(t);
        }
    }
    for (int i = 0; i < entry.SnoozedOccurrences.GetSize(); ++i) {
        entry.SnoozeUntil.Add(g.Near(entry.SnoozedOccurrences[i], 2 * kDay));
    }
}

bool Contains(const CDateTimeList& list, const CDateTime& t) {
    return std::find(list.begin(), list.end(), t) != list.end();
}

// True when `after` keeps a subsequence of `before`, in order.
bool IsSubsequence(const std::vector<CDateTime>& after, const std::vector<CDateTime>& before) {
    auto it = before.begin();
    for (const CDateTime& t : after) {
        it = std::find(it, before.end(), t);
        if (it == before.end()) return false;
        ++it;
    }
    return true;
}

void CheckWindow(CDateEntry& entry, const CDateTime& from, const CDateTime& to) {
    const DateEntryProperties& p = entry.Properties;
    const Iteration bare = GetAll(entry, from, to, kIterationCap);
    ASSERT_TRUE(bare.complete) << "the bare rule does not end";
    for (std::size_t i = 0; i < bare.occurrences.size(); ++i) {
        const Occurrence& o = bare.occurrences[i];
        ASSERT_TRUE(CDateTimeRange::Contains(o.start) && CDateTimeRange::Contains(o.end));
        ASSERT_EQ(o.end - o.start, entry.GetDuration());
        const bool overlaps = (from <= o.start && o.start <= to) ||
                              (from <= o.end && o.end <= to) || (o.start < from && o.end > to);
        ASSERT_TRUE(overlaps) << o;
        if (i > 0) {
            ASSERT_LT(bare.occurrences[i - 1].start, o.start);
        }
    }
    const Iteration found = FindAll(entry, from, to, kIterationCap);
    ASSERT_TRUE(found.complete) << "the series does not end";
    // The series is the bare rule less refused occurrences and those past its end; only
    // skips may lead a search past the point where the bare iteration stops.
    for (const Occurrence& o : found.occurrences) {
        ASSERT_TRUE(entry.IsOccurrenceAllowed(o.start)) << o;
        if (p.Repeat != 0 && p.RepeatEnd == 2) {
            ASSERT_LE(o.start, p.RepeatEndDate);
        }
    }
    if (!bare.occurrences.empty() && !found.occurrences.empty() &&
        entry.IsOccurrenceAllowed(bare.occurrences.front().start)) {
        ASSERT_EQ(found.occurrences.front(), bare.occurrences.front());
    }
}

TEST(DateEntryFuzzTest, EveryQueryEndsForAnyFeedValue) {
    CFakePlatform platform;
    platform.Install();
    Generator g(0x5EEDF00D);
    int withOccurrences = 0;
    int updated = 0;
    int merged = 0;
    constexpr int kSets = 3000;
    for (int set = 0; set < kSets; ++set) {
        CDateEntry entry;
        entry.Properties = g.Properties();
        const DateEntryProperties& p = entry.Properties;
        SCOPED_TRACE("set " + std::to_string(set) + ": start " + Text(p.StartDate) + " repeat " +
                     std::to_string(p.Repeat) + " rate " + std::to_string(p.RepeatRate) + " unit " +
                     std::to_string(p.RepeatUnit) + " count " +
                     std::to_string(p.RepeatWeekdayCount) + " weekday " +
                     std::to_string(p.RepeatWeekday) + " end " + std::to_string(p.RepeatEnd) + "/" +
                     std::to_string(p.RepeatEndCount));
        FillLists(g, entry);

        for (int w = 0; w < 3; ++w) {
            CDateTime from;
            CDateTime to;
            Window(g, p, from, to);
            CheckWindow(entry, from, to);
            if (HasFatalFailure()) return;
            CDateTime start;
            CDateTime end;
            if (entry.GetFirstOccurrence(from, to, start, end)) ++withOccurrences;
            if (Affordable(p, to, to)) {
                const int count = entry.CountOccurrencesUntil(to);
                ASSERT_GE(count, 0);
                // Closed form or walk, the count and the end it caches are the walk's.
                CDateEntry probe = entry;
                probe.SeriesEndKnown = 0;
                const Walk walked = WalkCount(probe, to);
                ASSERT_EQ(probe.CountOccurrencesUntil(to),
                          std::min<std::int64_t>(walked.count, kIntMax));
                ASSERT_EQ(probe.SeriesEndKnown != 0, walked.endKnown);
                if (walked.endKnown) {
                    ASSERT_EQ(probe.SeriesEnd, walked.seriesEnd);
                }
            }
        }

        // Reminders, from a last check near the start up to an affordable now.
        CDateTime lastCheck;
        CDateTime now;
        Window(g, p, lastCheck, now);
        CDateTime horizon = now;
        if (p.Forewarn != 0) {
            horizon = CDateTimeRange::AddClamped(
                now, CDateEntry::MakeSpan(p.ForewarnSpan, p.ForewarnUnit).GetTotalSeconds());
        }
        if (Affordable(p, lastCheck, std::max(now, horizon))) {
            ++updated;
            entry.LastCheckTime = lastCheck;
            const int snoozed = entry.SnoozedOccurrences.GetSize();
            const int due = entry.DueOccurrences.GetSize();
            const bool changed = entry.UpdateReminders(now);
            ASSERT_EQ(entry.LastCheckTime, now);
            ASSERT_EQ(entry.SnoozeUntil.GetSize(), entry.SnoozedOccurrences.GetSize());
            if (!changed) {
                ASSERT_EQ(entry.SnoozedOccurrences.GetSize(), snoozed);
                ASSERT_EQ(entry.DueOccurrences.GetSize(), due);
            }
            // Nothing that the update left due has lapsed by its own measure.
            if (p.OverdueAction != 0) {
                for (int i = 0; i < entry.DueOccurrences.GetSize(); ++i) {
                    ASSERT_TRUE(entry.IsWithinOverdueLimit(entry.DueOccurrences[i], now));
                }
            }
        }

        // Acknowledging, dropping and restoring single occurrences.
        if (!entry.DueOccurrences.IsEmpty()) {
            const CDateTime t = entry.DueOccurrences[0];
            entry.AcknowledgeOccurrence(t, true);
            ASSERT_FALSE(Contains(entry.SnoozedOccurrences, t));
            entry.AcknowledgeOccurrence(t, false);
            ASSERT_EQ(entry.SnoozeUntil.GetSize(), entry.SnoozedOccurrences.GetSize());
        }
        {
            const CDateTime t = g.Near(p.StartDate, 30 * kDay);
            entry.DropOccurrence(t);
            ASSERT_EQ(
                std::count(entry.DroppedOccurrences.begin(), entry.DroppedOccurrences.end(), t), 1);
            ASSERT_FALSE(Contains(entry.DueOccurrences, t) ||
                         Contains(entry.SnoozedOccurrences, t) ||
                         Contains(entry.AcknowledgedOccurrences, t));
            ASSERT_EQ(entry.SeriesEndKnown, 0);
            if (g.Chance(50)) {
                entry.RestoreOccurrence(t);
                ASSERT_FALSE(entry.IsOccurrenceDropped(t));
            }
        }

        // Trimming to the rule.
        const bool affordableItems = [&] {
            for (const CDateTimeList* list : std::initializer_list<const CDateTimeList*>{
                     &entry.DueOccurrences, &entry.AcknowledgedOccurrences,
                     &entry.SnoozedOccurrences, &entry.DroppedOccurrences.Items()}) {
                for (const CDateTime& t : *list) {
                    if (!Affordable(p, t, t)) return false;
                }
            }
            return true;
        }();
        if (!affordableItems) continue;
        const std::vector<CDateTime> dueBefore = Items(entry.DueOccurrences);
        const std::vector<CDateTime> snoozedBefore = Items(entry.SnoozedOccurrences);
        const std::vector<CDateTime> droppedBefore = Items(entry.DroppedOccurrences);
        entry.PurgeOccurrenceLists();
        ASSERT_TRUE(IsSubsequence(Items(entry.DueOccurrences), dueBefore));
        ASSERT_TRUE(IsSubsequence(Items(entry.SnoozedOccurrences), snoozedBefore));
        ASSERT_TRUE(IsSubsequence(Items(entry.DroppedOccurrences), droppedBefore));
        ASSERT_EQ(entry.SnoozeUntil.GetSize(), entry.SnoozedOccurrences.GetSize());
        ASSERT_EQ(entry.SeriesEndKnown, 0);

        // Taking over another random property set at a random time.
        DateEntryProperties next = g.Properties();
        if (g.Chance(50)) {
            // Keep start and rule, so that the lists survive into the purge.
            next.StartDate = p.StartDate;
            next.ShowStartTime = p.ShowStartTime;
            next.Repeat = p.Repeat;
            next.RepeatRate = p.RepeatRate;
            next.RepeatUnit = p.RepeatUnit;
            next.RepeatWeekdayCount = p.RepeatWeekdayCount;
            next.RepeatWeekday = p.RepeatWeekday;
        }
        bool nextAffordable = true;
        for (const CDateTimeList* list : std::initializer_list<const CDateTimeList*>{
                 &entry.DueOccurrences, &entry.AcknowledgedOccurrences, &entry.SnoozedOccurrences,
                 &entry.DroppedOccurrences.Items()}) {
            for (const CDateTime& t : *list)
                nextAffordable = nextAffordable && Affordable(next, t, t);
        }
        if (!nextAffordable) continue;
        const CDateTime clock = g.Chance(50) ? g.Near(p.StartDate, 30 * kDay) : g.Date();
        platform.SetLocalTime({clock.GetYear(), clock.GetMonth(), clock.GetDay(), clock.GetHour(),
                               clock.GetMinute(), clock.GetSecond()});
        const CDateEntry before = entry;
        entry.ApplyProperties(next);
        ASSERT_EQ(entry.Properties.StartDate, next.StartDate);
        ASSERT_EQ(entry.Properties.RepeatEndCount, next.RepeatEndCount);
        ASSERT_EQ(entry.Properties.ForewarnSpan, next.ForewarnSpan);
        ASSERT_EQ(entry.SeriesEndKnown, 0);
        ASSERT_EQ(entry.SnoozeUntil.GetSize(), entry.SnoozedOccurrences.GetSize());
        for (const CDateTime& t : entry.DueOccurrences) {
            ASSERT_TRUE(Contains(before.DueOccurrences, t) ||
                        Contains(before.SnoozedOccurrences, t));
        }

        // Reconciling with a copy whose state moved on.
        CDateEntry other = entry;
        other.LastCheckTime = g.Near(entry.LastCheckTime, 3 * kDay);
        if (!other.DueOccurrences.IsEmpty()) {
            other.AcknowledgeOccurrence(other.DueOccurrences[0], true);
        }
        const bool takeLastCheck = g.Chance(50);
        const CDateTime ownLastCheck = entry.LastCheckTime;
        entry.MergeOccurrenceState(other, takeLastCheck);
        ASSERT_EQ(entry.LastCheckTime, takeLastCheck ? other.LastCheckTime.Get() : ownLastCheck);
        ++merged;
        ASSERT_EQ(entry.SnoozeUntil.GetSize(), entry.SnoozedOccurrences.GetSize());
    }
    // Most sets must have met occurrences, or the run says little about the rules.
    EXPECT_GT(withOccurrences, kSets / 2);
    EXPECT_GT(updated, kSets / 2);
    EXPECT_GT(merged, kSets / 2);
}

}  // namespace
