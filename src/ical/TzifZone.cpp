#include "ical/TzifZone.h"

#include <algorithm>
#include <cctype>

namespace {

// 1970-01-01T00:00:00, where TZif counts from. A function, not a constant: a constant would
// be computed before the civil-time code's own constants, in no fixed order.
IcalSeconds UnixEpoch() {
    return CCivilTime::DaysFromCivil(1970, 1, 1) * CCivilTime::kSecondsPerDay;
}

// Big-endian reads within the bytes; false once past their end.
class CBigEndian {
public:
    explicit CBigEndian(std::string_view bytes) : m_bytes(bytes) {}
    bool Skip(std::size_t count) {
        if (m_bytes.size() - m_position < count) return Fail();
        m_position += count;
        return true;
    }
    std::int64_t Read(int size) {
        if (m_bytes.size() - m_position < static_cast<std::size_t>(size)) return Fail();
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i) {
            value = (value << 8) | static_cast<unsigned char>(m_bytes[m_position++]);
        }
        // Sign-extend the 32-bit fields.
        if (size == 4) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return static_cast<std::int64_t>(value);
    }
    std::size_t Position() const { return m_position; }
    bool Ok() const { return m_ok; }

private:
    bool Fail() {
        m_ok = false;
        m_position = m_bytes.size();
        return false;
    }
    std::string_view m_bytes;
    std::size_t m_position = 0;
    bool m_ok = true;
};

struct SCounts {
    std::int64_t isut = 0, isstd = 0, leap = 0, time = 0, type = 0, chars = 0;
};

bool ReadHeader(CBigEndian& in, std::string_view bytes, SCounts& c) {
    const std::size_t start = in.Position();
    if (bytes.substr(start, 4) != "TZif" || !in.Skip(20)) return false;
    c.isut = in.Read(4);
    c.isstd = in.Read(4);
    c.leap = in.Read(4);
    c.time = in.Read(4);
    c.type = in.Read(4);
    c.chars = in.Read(4);
    const std::int64_t limit = 1 << 20;
    for (const std::int64_t n : {c.isut, c.isstd, c.leap, c.time, c.type, c.chars}) {
        if (n < 0 || n > limit) return false;
    }
    return in.Ok() && c.type >= 1;
}

// A POSIX offset "[+|-]hh[:mm[:ss]]" at `text[i]`, in seconds.
bool ParseSeconds(std::string_view text, std::size_t& i, int& seconds) {
    int sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) sign = text[i++] == '-' ? -1 : 1;
    int parts[3] = {0, 0, 0};
    for (int part = 0; part < 3; ++part) {
        if (part > 0) {
            if (i >= text.size() || text[i] != ':') break;
            ++i;
        }
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            parts[part] = parts[part] * 10 + (text[i++] - '0');
            if (parts[part] > 200) return false;
        }
    }
    seconds = sign * (parts[0] * 3600 + parts[1] * 60 + parts[2]);
    return true;
}

bool ParseName(std::string_view text, std::size_t& i, std::string& name) {
    const std::size_t start = i;
    if (i < text.size() && text[i] == '<') {
        const std::size_t close = text.find('>', i);
        if (close == std::string_view::npos) return false;
        name = std::string(text.substr(i + 1, close - i - 1));
        i = close + 1;
        return true;
    }
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) ++i;
    name = std::string(text.substr(start, i - start));
    return i - start >= 3;
}

}  // namespace

std::unique_ptr<CTzifZone> CTzifZone::Parse(std::string name, std::string_view bytes) {
    CBigEndian in(bytes);
    SCounts c;
    if (!ReadHeader(in, bytes, c)) return nullptr;
    int timeSize = 4;
    if (bytes[4] >= '2') {
        // The 64-bit data follows the version 1 data block.
        if (!in.Skip(c.time * 5 + c.type * 6 + c.chars + c.leap * 8 + c.isstd + c.isut) ||
            !ReadHeader(in, bytes, c)) {
            return nullptr;
        }
        timeSize = 8;
    }
    std::vector<std::int64_t> times(c.time);
    for (std::int64_t& t : times) t = in.Read(timeSize);
    std::vector<int> indices(c.time);
    for (int& index : indices) index = static_cast<int>(in.Read(1));
    struct SType {
        int offset;
        bool daylight;
        int abbreviationIndex;
    };
    std::vector<SType> types(c.type);
    for (SType& type : types) {
        type.offset = static_cast<int>(in.Read(4));
        type.daylight = in.Read(1) != 0;
        type.abbreviationIndex = static_cast<int>(in.Read(1));
    }
    const std::size_t charsAt = in.Position();
    if (!in.Skip(c.chars) || !in.Skip(c.leap * (timeSize + 4) + c.isstd + c.isut) || !in.Ok()) {
        return nullptr;
    }
    const std::string_view chars = bytes.substr(charsAt, c.chars);

    auto zone = std::make_unique<CTzifZone>();
    zone->m_name = std::move(name);
    auto transitionOf = [&](std::int64_t t, int index) {
        STransition transition;
        transition.utcSeconds = UnixEpoch() + t;
        const SType& type = types[index];
        transition.offset = type.offset;
        transition.daylight = type.daylight;
        if (type.abbreviationIndex < static_cast<int>(chars.size())) {
            const std::string_view rest = chars.substr(type.abbreviationIndex);
            transition.abbreviation = std::string(rest.substr(0, rest.find('\0')));
        }
        return transition;
    };
    zone->m_beforeTable = transitionOf(0, 0);
    for (std::size_t k = 0; k < times.size(); ++k) {
        if (indices[k] >= static_cast<int>(types.size())) return nullptr;
        if (k > 0 && times[k] <= times[k - 1]) return nullptr;
        zone->m_table.push_back(transitionOf(times[k], indices[k]));
    }
    if (timeSize == 8 && in.Position() < bytes.size() && bytes[in.Position()] == '\n') {
        const std::size_t begin = in.Position() + 1;
        const std::size_t end = bytes.find('\n', begin);
        if (end != std::string_view::npos) {
            ParseFooter(bytes.substr(begin, end - begin), zone->m_footer);
        }
    }
    zone->ListRuleChanges();
    return zone;
}

void CTzifZone::ListRuleChanges() {
    if (!m_footer.valid || !m_footer.daylight) return;
    const IcalSeconds tableEnd = TableEnd();
    // From the year before the table's end: a change of that year may still follow it in UTC.
    // A zone that is its rule alone lists from kFirstListedYear, after which the list always
    // holds the change before an instant.
    const int first =
        m_table.empty() ? kFirstListedYear : CCivilTime::FromSeconds(tableEnd).year - 1;
    if (first > kLastListedYear) return;
    for (int year = first; year <= kLastListedYear; ++year) {
        for (const STransition& change : FooterTransitions(year)) {
            if (m_table.empty() || change.utcSeconds > tableEnd) {
                m_ruleChanges.push_back({change.utcSeconds, change.offset});
            }
        }
    }
    // The changes of kLastListedYear all lie after its first day in any zone: before it the
    // list holds every change.
    const auto dayStart = [](int year) {
        return CCivilTime::DaysFromCivil(year, 1, 1) * CCivilTime::kSecondsPerDay;
    };
    m_ruleChangesBegin = m_table.empty() ? dayStart(first + 1) : tableEnd;
    m_ruleChangesEnd = dayStart(kLastListedYear) - CCivilTime::kSecondsPerDay;
}

bool CTzifZone::ParseFooter(std::string_view text, SFooter& footer) {
    std::size_t i = 0;
    int posixOffset = 0;
    if (!ParseName(text, i, footer.standardName) || !ParseSeconds(text, i, posixOffset)) {
        return false;
    }
    // POSIX counts hours west of Greenwich.
    footer.standardOffset = -posixOffset;
    if (i < text.size()) {
        if (!ParseName(text, i, footer.daylightName)) return false;
        footer.daylightOffset = footer.standardOffset + 3600;
        if (i < text.size() && text[i] != ',') {
            if (!ParseSeconds(text, i, posixOffset)) return false;
            footer.daylightOffset = -posixOffset;
        }
        for (SRuleDate* rule : {&footer.start, &footer.end}) {
            // Only the "Mm.w.d" form, which every zone of the database uses.
            if (i + 1 >= text.size() || text[i] != ',' || text[i + 1] != 'M') return false;
            i += 2;
            int fields[3] = {0, 0, 0};
            for (int f = 0; f < 3; ++f) {
                if (f > 0 && (i >= text.size() || text[i++] != '.')) return false;
                if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) {
                    return false;
                }
                while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
                    fields[f] = fields[f] * 10 + (text[i++] - '0');
                    if (fields[f] > 12) return false;
                }
            }
            rule->month = fields[0];
            rule->week = fields[1];
            rule->weekday = fields[2];
            if (rule->month < 1 || rule->week < 1 || rule->week > 5 || rule->weekday > 6) {
                return false;
            }
            if (i < text.size() && text[i] == '/') {
                ++i;
                if (!ParseSeconds(text, i, rule->time)) return false;
            }
        }
        footer.daylight = true;
    }
    footer.valid = i == text.size();
    return footer.valid;
}

std::vector<CTzifZone::STransition> CTzifZone::FooterTransitions(int year) const {
    auto onset = [&](const SRuleDate& rule, int offsetBefore) {
        const std::int64_t first = CCivilTime::DaysFromCivil(year, rule.month, 1);
        // CCivilTime counts 0 as Monday, the rule 0 as Sunday.
        const int wanted = (rule.weekday + 6) % 7;
        std::int64_t day =
            first + (wanted - CCivilTime::DayOfWeek(first) + 7) % 7 + 7 * (rule.week - 1);
        const int length = CCivilTime::DaysInMonth(year, rule.month);
        while (day >= first + length) day -= 7;
        return day * CCivilTime::kSecondsPerDay + rule.time - offsetBefore;
    };
    std::vector<STransition> changes;
    if (!m_footer.valid || !m_footer.daylight) return changes;
    changes.push_back({onset(m_footer.start, m_footer.standardOffset), m_footer.daylightOffset,
                       true, m_footer.daylightName});
    changes.push_back({onset(m_footer.end, m_footer.daylightOffset), m_footer.standardOffset, false,
                       m_footer.standardName});
    std::sort(changes.begin(), changes.end(), [](const STransition& a, const STransition& b) {
        return a.utcSeconds < b.utcSeconds;
    });
    return changes;
}

int CTzifZone::OffsetAtUtc(IcalSeconds utcSeconds) const {
    const bool afterTable = m_table.empty() || utcSeconds >= m_table.back().utcSeconds;
    if (afterTable && m_footer.valid) {
        if (!m_footer.daylight) return m_footer.standardOffset;
        if (utcSeconds >= m_ruleChangesBegin && utcSeconds < m_ruleChangesEnd) {
            const auto after = std::upper_bound(
                m_ruleChanges.begin(), m_ruleChanges.end(), utcSeconds,
                [](IcalSeconds t, const SOffsetChange& change) { return t < change.utcSeconds; });
            if (after != m_ruleChanges.begin()) return std::prev(after)->offset;
            return m_table.empty() ? m_footer.standardOffset : m_table.back().offset;
        }
        const int year = CCivilTime::FromSeconds(utcSeconds + m_footer.standardOffset).year;
        int offset = m_table.empty() ? m_footer.standardOffset : m_table.back().offset;
        for (const int y : {year - 1, year}) {
            for (const STransition& change : FooterTransitions(y)) {
                const bool inForce =
                    change.utcSeconds <= utcSeconds &&
                    (m_table.empty() || change.utcSeconds > m_table.back().utcSeconds);
                if (inForce) offset = change.offset;
            }
        }
        return offset;
    }
    const auto after = std::upper_bound(
        m_table.begin(), m_table.end(), utcSeconds,
        [](IcalSeconds t, const STransition& change) { return t < change.utcSeconds; });
    return after == m_table.begin() ? m_beforeTable.offset : std::prev(after)->offset;
}

std::vector<CTzifZone::STransition> CTzifZone::Transitions(IcalSeconds fromUtc,
                                                           IcalSeconds toUtc) const {
    std::vector<STransition> changes;
    for (const STransition& change : m_table) {
        if (change.utcSeconds >= fromUtc && change.utcSeconds < toUtc) changes.push_back(change);
    }
    if (!m_footer.valid || !m_footer.daylight) return changes;
    const IcalSeconds tableEnd = m_table.empty() ? fromUtc - 1 : m_table.back().utcSeconds;
    const int firstYear = CCivilTime::FromSeconds(std::max(fromUtc, tableEnd)).year;
    const int lastYear = CCivilTime::FromSeconds(toUtc).year;
    for (int year = firstYear; year <= lastYear; ++year) {
        for (const STransition& change : FooterTransitions(year)) {
            if (change.utcSeconds > tableEnd && change.utcSeconds >= fromUtc &&
                change.utcSeconds < toUtc) {
                changes.push_back(change);
            }
        }
    }
    return changes;
}

bool CTzifZone::YearlyChanges(SYearlyChange& toDaylight, SYearlyChange& toStandard) const {
    if (!m_footer.valid || !m_footer.daylight) return false;
    const std::pair<const SRuleDate*, SYearlyChange*> rules[] = {{&m_footer.start, &toDaylight},
                                                                 {&m_footer.end, &toStandard}};
    for (const auto& [rule, change] : rules) {
        if (rule->time < 0 || rule->time >= CCivilTime::kSecondsPerDay) return false;
        change->month = rule->month;
        change->ordinal = rule->week == 5 ? -1 : rule->week;
        change->weekday = (rule->weekday + 6) % 7;
        change->timeOfDay = rule->time;
    }
    return true;
}

IcalSeconds CTzifZone::TableEnd() const {
    return m_table.empty() ? UnixEpoch() : m_table.back().utcSeconds;
}
