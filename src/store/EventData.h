// A loaded event file: the header number, the two date-entry lists and the to-do list,
// every entry held by value. The texts and lists of the date entries live in the stores of
// the two lists (CDateEntryArray), filled as the file is read and freed with the lists.
//
// File layout (one archive stream; all counts plain int32, not list counts):
//   int32 header number
//   int32 n1, then n1 tagged CDateEntry objects      (DateEntries1)
//   int32 n2, then n2 tagged CDateEntry objects      (DateEntries2, the list the feed uses)
//   int32 n3, then n3 tagged CTodoEntry objects      (TodoEntries)
// Nothing follows the last to-do entry. Class and object numbers of the tags run across
// all three lists.
#pragma once

#include <cstdint>

#include "store/DateEntryArray.h"
#include "store/TodoEntry.h"

class CArchive;

class CEventData {
public:
    static constexpr std::int32_t kDefaultHeaderNumber = 100;

    // Reads the whole layout from a loading archive and replaces the three lists and the
    // header number. Throws CArchiveException for a damaged stream (endOfFile for a
    // negative top-level count or one that the rest of the file cannot hold, before any
    // list is sized); on a throw this object is unchanged. Bytes after the last to-do entry
    // are not read.
    void Load(CArchive& ar);
    // As Load(ar), and DateEntries2 then has room for `spareEntries2` (>= 0) more entries than
    // it holds, so that that many appends do not move the whole list to a larger block.
    void Load(CArchive& ar, int spareEntries2);
    // Writes the whole layout to a storing archive, then closes the archive (the buffer is
    // written out; the file stays open). Throws CArchiveException when the file layer fails.
    void Save(CArchive& ar) const;

    std::int32_t HeaderNumber = kDefaultHeaderNumber;
    CDateEntryArray DateEntries1;
    CDateEntryArray DateEntries2;
    CTodoEntryArray TodoEntries;
};
