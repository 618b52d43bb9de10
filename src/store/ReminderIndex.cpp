#include "store/ReminderIndex.h"

#include "datetime/DateTimeRange.h"
#include "store/DateEntry.h"

CReminderIndex::CReminderIndex(const CDateEntry& entry)
    : m_lastCheck(CDateTimeRange::ToSeconds(entry.LastCheckTime)),
      m_duration(entry.GetDuration().GetTotalSeconds()) {
    m_copies.reserve(static_cast<std::size_t>(entry.DueOccurrences.GetSize() +
                                              entry.SnoozedOccurrences.GetSize() +
                                              entry.AcknowledgedOccurrences.GetSize()));
    Fill(kDue, entry.DueOccurrences);
    Fill(kSnoozed, entry.SnoozedOccurrences);
    Fill(kAcknowledged, entry.AcknowledgedOccurrences);
    m_snoozeUntil.assign(entry.SnoozeUntil.begin(), entry.SnoozeUntil.end());
    m_snoozeUntilPresent.assign(m_snoozeUntil.size(), true);
}

std::uint64_t CReminderIndex::KeyOf(const CDateTime& value) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value.GetDayNumber())) << 32 |
           static_cast<std::uint32_t>(value.GetSecondOfDay());
}

void CReminderIndex::Fill(EList list, const CDateTimeList& values) {
    for (const CDateTime value : values) Append(list, value);
}

bool CReminderIndex::Contains(EList list, const CDateTime& occurrence) const {
    const auto found = m_copies.find(KeyOf(occurrence));
    return found != m_copies.end() && found->second.first[list] != kNone;
}

bool CReminderIndex::RemoveFirst(EList list, const CDateTime& occurrence) {
    const auto found = m_copies.find(KeyOf(occurrence));
    if (found == m_copies.end() || found->second.first[list] == kNone) return false;
    Items& items = m_lists[list];
    Copies& copies = found->second;
    const std::size_t index = copies.first[list];
    copies.first[list] = items.next[index];
    if (copies.first[list] == kNone) copies.last[list] = kNone;
    items.present[index] = false;
    // SnoozeUntil runs parallel to the snoozed items as they were, and no snoozed item is
    // ever appended here, so the snoozed item's original index is its SnoozeUntil index.
    if (list == kSnoozed && index < m_snoozeUntil.size()) m_snoozeUntilPresent[index] = false;
    return true;
}

void CReminderIndex::Append(EList list, const CDateTime& occurrence) {
    Items& items = m_lists[list];
    const std::size_t index = items.values.size();
    items.values.push_back(occurrence);
    items.present.push_back(true);
    items.next.push_back(kNone);
    Copies& copies = m_copies[KeyOf(occurrence)];
    if (copies.last[list] == kNone) {
        copies.first[list] = index;
    } else {
        items.next[copies.last[list]] = index;
    }
    copies.last[list] = index;
}

bool CReminderIndex::IsRunning(const CDateTime& occurrence) const {
    return m_lastCheck < CDateTimeRange::ToSeconds(occurrence) + m_duration;
}

bool CReminderIndex::IsSettled(const CDateTime& occurrence) const {
    if (Contains(kDue, occurrence) || Contains(kSnoozed, occurrence)) return false;
    return Contains(kAcknowledged, occurrence) || !IsRunning(occurrence);
}

void CReminderIndex::Acknowledge(const CDateTime& occurrence, bool acknowledged) {
    RemoveFirst(kSnoozed, occurrence);
    if (acknowledged) {
        RemoveFirst(kDue, occurrence);
        const bool running = IsRunning(occurrence);
        if (!Contains(kAcknowledged, occurrence)) {
            if (running) Append(kAcknowledged, occurrence);
        } else if (!running) {
            RemoveFirst(kAcknowledged, occurrence);
        }
        return;
    }
    if (!IsSettled(occurrence)) return;
    // A running occurrence leaves the acknowledged list, and the next update finds it; a
    // past one becomes due, because no later scan would find it.
    if (!RemoveFirst(kAcknowledged, occurrence)) Append(kDue, occurrence);
}

void CReminderIndex::Commit(CDateEntry& entry) const {
    auto write = [](const std::vector<CDateTime>& values, const std::vector<bool>& present,
                    CDateTimeList& target) {
        target.RemoveAll();
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (present[i]) target.Add(values[i]);
        }
    };
    write(m_lists[kDue].values, m_lists[kDue].present, entry.DueOccurrences);
    write(m_lists[kSnoozed].values, m_lists[kSnoozed].present, entry.SnoozedOccurrences);
    write(m_lists[kAcknowledged].values, m_lists[kAcknowledged].present,
          entry.AcknowledgedOccurrences);
    write(m_snoozeUntil, m_snoozeUntilPresent, entry.SnoozeUntil);
}
