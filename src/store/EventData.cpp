#include "store/EventData.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "archive/Archive.h"

namespace {

// Lower bounds of a stored object's size: its 2-byte tag and the fields of the oldest
// schema, with every string empty and every date-time list empty. A top-level count is
// refused when the rest of the file cannot hold that many of the smallest objects.
//   CDateEntry: 7 strings, 25 int32, 5 date-times, 5 list counts  = 157 bytes
//   CTodoEntry: 4 strings, 8 int32, 2 date-times                   = 52 bytes
constexpr std::uint64_t kMinDateEntryBytes = 2 + 7 * 1 + 25 * 4 + 5 * 8 + 5 * 2;
constexpr std::uint64_t kMinTodoEntryBytes = 2 + 4 * 1 + 8 * 4 + 2 * 8;

// Room for `count` entries to come, with `fileBytes` bytes left in the file: the entries'
// block sized once for all of them, and for date entries one block of the store for their
// texts and lists. An entry's texts and lists take in the store at most a few bytes per
// field more than in the file, less than its fixed fields take there, so the rest of the
// file bounds them. At most kMostStoreBytesPerEntry per entry is reserved ahead, so that a
// short list in a long file takes little; beyond, the store grows as usual.
constexpr std::uint64_t kMostStoreBytesPerEntry = 1024;

void Prepare(CDateEntryArray& list, int capacity, std::int32_t count, std::uint64_t fileBytes) {
    list.EnsureCapacity(capacity);
    if (count > 0) {
        list.GetStore().Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
            fileBytes, kMostStoreBytesPerEntry * static_cast<std::uint64_t>(count))));
    }
}
void Prepare(CTodoEntryArray& list, int capacity, std::int32_t /*count*/,
             std::uint64_t /*fileBytes*/) {
    list.EnsureCapacity(capacity);
}

// Entries are made in place and loaded there: no entry is made elsewhere and moved in.
CDateEntry& AddForLoading(CDateEntryArray& list) {
    return list.AddForLoading();
}
CTodoEntry& AddForLoading(CTodoEntryArray& list) {
    return list.Emplace();
}

template <class TEntry, class TList>
void LoadList(CArchive& ar, TList& list, std::uint64_t minObjectBytes, int spare = 0) {
    const std::int32_t count = ar.ReadInt32();
    if (count < 0) throw CArchiveException(CArchiveException::endOfFile);
    ar.RequireRemaining(minObjectBytes * static_cast<std::uint64_t>(count));

    const std::int64_t capacity = static_cast<std::int64_t>(count) + (spare > 0 ? spare : 0);
    Prepare(list, static_cast<int>(std::min<std::int64_t>(capacity, INT32_MAX)), count,
            ar.GetRemaining());
    for (std::int32_t i = 0; i < count; ++i) {
        // Only the class itself can be made in place; no class derives from it.
        if (ar.ReadClass(TEntry::GetThisClass()) != TEntry::GetThisClass()) {
            throw CArchiveException(CArchiveException::badClass);
        }
        ar.LoadObject(AddForLoading(list));
    }
}

template <class TList>
void SaveList(CArchive& ar, const TList& list) {
    ar.WriteInt32(list.GetSize());
    for (const auto& entry : list) ar.WriteObject(entry);
}

}  // namespace

void CEventData::Load(CArchive& ar) {
    Load(ar, 0);
}

void CEventData::Load(CArchive& ar, int spareEntries2) {
    CEventData loaded;
    loaded.HeaderNumber = ar.ReadInt32();
    LoadList<CDateEntry>(ar, loaded.DateEntries1, kMinDateEntryBytes);
    LoadList<CDateEntry>(ar, loaded.DateEntries2, kMinDateEntryBytes, spareEntries2);
    LoadList<CTodoEntry>(ar, loaded.TodoEntries, kMinTodoEntryBytes);
    *this = std::move(loaded);
}

void CEventData::Save(CArchive& ar) const {
    ar.WriteInt32(HeaderNumber);
    SaveList(ar, DateEntries1);
    SaveList(ar, DateEntries2);
    SaveList(ar, TodoEntries);
    ar.Close();
}
