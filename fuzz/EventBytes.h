// A whole event file loaded from and saved to bytes in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/Archive.h"
#include "archive/ArchiveException.h"
#include "platform/MemoryFile.h"
#include "store/EventData.h"

// False for damaged content (a CArchiveException); `data` is then unchanged.
inline bool LoadEventBytes(const std::vector<std::uint8_t>& bytes, CEventData& data) {
    CMemoryFile file(bytes);
    try {
        CArchive ar(file, CArchive::load);
        data.Load(ar);
    } catch (const CArchiveException&) {
        return false;
    }
    return true;
}

inline std::vector<std::uint8_t> SaveEventBytes(const CEventData& data) {
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    data.Save(ar);
    return file.GetData();
}
