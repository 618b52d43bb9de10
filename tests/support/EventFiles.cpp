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

namespace {

// The second list's entries, each as `describe` gives it followed by a space.
template <class F>
std::string Describe(const std::string& path, F describe) {
    CMemoryFile file(CTempFolder::ReadBytes(path));
    CArchive ar(file, CArchive::load);
    CEventData data;
    data.Load(ar);
    std::string text;
    for (const CDateEntry& entry : data.DateEntries2) text += describe(entry) + " ";
    return text;
}

}  // namespace

std::string CEventFiles::Entries(const std::string& path) {
    return Describe(path, [](const CDateEntry& entry) {
        return std::string(entry.GetGuid()) + "=" + entry.Properties.Description.ToString();
    });
}

std::string CEventFiles::Descriptions(const std::string& path) {
    std::string text = Describe(
        path, [](const CDateEntry& entry) { return entry.Properties.Description.ToString(); });
    if (!text.empty()) text.pop_back();
    return text;
}
