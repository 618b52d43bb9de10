#include "sync/ImportedGuids.h"

#include <memory>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "feed/Sha1.h"
#include "platform/FileRemover.h"
#include "platform/Platform.h"

namespace {

// A state file larger than this is not ours: 5,000 entries for each of 10,000 events would
// not reach it.
constexpr std::uint64_t kLargestStateFile = 64u * 1024u * 1024u;

}  // namespace

std::string CImportedGuids::StatePath(const std::string& folder, const std::string& feedPath,
                                      const std::string& eventPath) {
    if (folder.empty()) return {};
    CSha1 sha;
    sha.Update(feedPath);
    sha.Update(std::string_view("\0", 1));
    sha.Update(eventPath);
    const CSha1::Digest digest = sha.Finish();
    constexpr char kHex[] = "0123456789abcdef";
    std::string name = "Imported-";
    for (std::size_t i = 0; i < 8; ++i) {
        name += kHex[digest[i] >> 4];
        name += kHex[digest[i] & 0x0F];
    }
    return folder + name + ".txt";
}

std::vector<std::string> CImportedGuids::Load(CPlatform& platform, const std::string& path) {
    std::vector<std::string> guids;
    const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::Read);
    std::uint64_t length = 0;
    if (!file || !file->GetLength(length) || length > kLargestStateFile) return guids;
    std::string text(static_cast<std::size_t>(length), '\0');
    std::size_t read = 0;
    if (!file->Read(text.data(), text.size(), read) || read != text.size()) return guids;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (end > at) guids.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return guids;
}

bool CImportedGuids::Save(CPlatform& platform, const std::string& path,
                          const std::vector<std::string>& guids) {
    std::string tempFolder;
    std::string tempPath;
    if (path.empty() || !platform.GetTempFolder(tempFolder) ||
        !platform.CreateTempFile(tempFolder, "gui", tempPath)) {
        return false;
    }
    const CFileRemover removeTemp(platform, std::move(tempPath));
    std::string text;
    for (const std::string& guid : guids) text += guid + '\n';
    {
        const std::unique_ptr<CFile> file =
            platform.OpenFile(removeTemp.GetPath(), EFileOpen::WriteExclusive);
        if (!file || !file->Write(text.data(), text.size()) || !file->Flush()) return false;
    }
    return platform.ReplaceFileWithCopy(removeTemp.GetPath(), path);
}

std::vector<std::string> CImportedGuids::Of(const CDateEntryArray& entries) {
    std::vector<std::string> guids;
    std::unordered_set<std::string_view> seen;
    for (const CDateEntry& entry : entries) {
        const std::string_view guid = entry.GetGuid();
        if (seen.insert(guid).second) guids.emplace_back(guid);
    }
    return guids;
}

void CImportedGuids::AddGone(const std::vector<std::string>& previous,
                             const std::vector<std::string>& current, CStringArray& removeGuids) {
    const std::unordered_set<std::string> kept(current.begin(), current.end());
    for (const std::string& guid : previous) {
        if (kept.count(guid) == 0) removeGuids.Add(guid);
    }
}
