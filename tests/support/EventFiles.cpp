#include "support/EventFiles.h"

#include "archive/Archive.h"
#include "platform/MemoryFile.h"
#include "store/EventData.h"
#include "support/TempFolder.h"

std::vector<std::uint8_t> CEventFiles::Empty() {
    CEventData data;
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    data.Save(ar);
    return file.GetData();
}

std::string CEventFiles::Entries(const std::string& path) {
    CMemoryFile file(CTempFolder::ReadBytes(path));
    CArchive ar(file, CArchive::load);
    CEventData data;
    data.Load(ar);
    std::string text;
    for (const CDateEntry& entry : data.DateEntries2) {
        text += std::string(entry.GetGuid()) + "=" + entry.Properties.Description.ToString() + " ";
    }
    return text;
}
