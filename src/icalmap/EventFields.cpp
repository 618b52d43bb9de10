#include "icalmap/EventFields.h"

#include <limits>

#include "ical/CssColor.h"
#include "store/DateEntryCodes.h"

std::string CEventFields::Notes(const std::string& location, const std::string& url,
                                const std::string& description) {
    std::string notes;
    for (const std::string* line : {&location, &url}) {
        if (!line->empty()) notes += *line + "\r\n";
    }
    return notes + description;
}

std::optional<std::int32_t> CEventFields::BgColor(const std::string& color) {
    std::uint32_t rgb = 0;
    if (!CCssColor::FindByName(color, rgb)) return std::nullopt;
    return static_cast<std::int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

std::optional<CEventFields::SForewarn> CEventFields::Forewarn(
    const std::vector<std::int64_t>& leads) {
    std::optional<std::int64_t> earliest;
    for (const std::int64_t lead : leads) {
        if (lead < 0 || lead % 60 != 0) continue;
        if (!earliest || lead > *earliest) earliest = lead;
    }
    if (!earliest) return std::nullopt;
    if (*earliest == 0) return SForewarn{0, kSpanUnitMinutes};
    const struct {
        std::int64_t seconds;
        std::int32_t unit;
    } units[] = {{604800, kSpanUnitWeeks},
                 {86400, kSpanUnitDays},
                 {3600, kSpanUnitHours},
                 {60, kSpanUnitMinutes}};
    for (const auto& u : units) {
        const std::int64_t span = *earliest / u.seconds;
        if (*earliest % u.seconds == 0 && span <= std::numeric_limits<std::int32_t>::max()) {
            return SForewarn{static_cast<std::int32_t>(span), u.unit};
        }
    }
    return std::nullopt;
}
