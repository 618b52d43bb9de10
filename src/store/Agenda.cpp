#include "store/Agenda.h"

#include <deque>
#include <queue>

#include "datetime/DateTimeRange.h"
#include "platform/Platform.h"
#include "store/DateEntry.h"
#include "store/DateEntryCodes.h"
#include "store/EventData.h"
#include "store/OccurrenceCursor.h"

namespace {

// One entry's walk with its pending occurrence.
struct SSource {
    CDateEntry* entry;
    std::size_t order;  // position over both lists
    COccurrenceCursor cursor;
    CDateTime start;
    CDateTime end;
};

// Heap order: the source whose pending occurrence comes first is on top.
struct SLater {
    bool operator()(const SSource* a, const SSource* b) const {
        if (a->start != b->start) return b->start < a->start;
        const int byGuid = a->entry->GetGuid().compare(b->entry->GetGuid());
        if (byGuid != 0) return byGuid > 0;
        return a->order > b->order;
    }
};

CAgenda::SItem ItemOf(const SSource& source) {
    const DateEntryProperties& p = source.entry->Properties;
    return {p.GUID.ToString(), p.Description.ToString(), source.start, source.end,
            p.ShowStartTime == 0};
}

void WriteTextItem(CPlatform& platform, const CAgenda::SItem& item, std::ostream& out) {
    out << item.Start.Format("%Y-%m-%d");
    if (item.WholeDay) {
        out << "  all day  ";
    } else {
        out << item.Start.Format(" %H:%M") << "\xE2\x80\x93" << item.End.Format("%H:%M") << "  ";
    }
    out << platform.AnsiToUtf8(item.Description) << '\n';
}

}  // namespace

void CAgenda::Collect(const CDateEntry& entry, const CDateTime& from, const CDateTime& to,
                      std::vector<CDateTime>& starts, std::vector<CDateTime>& ends) {
    CDateEntry copy(entry);
    COccurrenceCursor cursor(copy, from, to);
    CDateTime start;
    CDateTime end;
    while (cursor.Next(start, end)) {
        starts.push_back(start);
        ends.push_back(end);
    }
}

void CAgenda::Stream(CEventData& data, const CDateTime& from, const CDateTime& to,
                     const std::function<void(const SItem&)>& visit) {
    std::deque<SSource> sources;
    std::priority_queue<SSource*, std::vector<SSource*>, SLater> pending;
    std::size_t order = 0;
    for (CDateEntryArray* list : {&data.DateEntries1, &data.DateEntries2}) {
        for (CDateEntry& entry : *list) {
            SSource& source =
                sources.emplace_back(SSource{&entry, order++, {entry, from, to}, {}, {}});
            if (source.cursor.Next(source.start, source.end)) {
                pending.push(&source);
            } else {
                sources.pop_back();
            }
        }
    }
    while (!pending.empty()) {
        SSource* const source = pending.top();
        pending.pop();
        visit(ItemOf(*source));
        if (source->cursor.Next(source->start, source->end)) pending.push(source);
    }
}

std::vector<CAgenda::SItem> CAgenda::List(CEventData& data, const CDateTime& from,
                                          const CDateTime& to) {
    std::vector<SItem> items;
    Stream(data, from, to, [&items](const SItem& item) { items.push_back(item); });
    return items;
}

void CAgenda::WriteText(CEventData& data, const CDateTime& from, const CDateTime& to,
                        std::ostream& out) {
    CPlatform& platform = CPlatform::Current();
    Stream(data, from, to, [&](const SItem& item) { WriteTextItem(platform, item, out); });
}

void CAgenda::WriteText(const std::vector<SItem>& items, std::ostream& out) {
    CPlatform& platform = CPlatform::Current();
    for (const SItem& item : items) WriteTextItem(platform, item, out);
}
