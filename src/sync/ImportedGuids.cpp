#include "sync/ImportedGuids.h"

#include <memory>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "digest/Sha1.h"
#include "digest/Sha256.h"
#include "platform/FileRemover.h"
#include "platform/Platform.h"
#include "sync/FeedAddress.h"

namespace {

// A state file larger than this is not ours: 5,000 entries for each of 10,000 events would
// not reach it.
constexpr std::uint64_t kLargestStateFile = 64u * 1024u * 1024u;

}  // namespace

namespace {

std::string KeyOf(const std::string& feed, const std::string& eventPath) {
    CSha1 sha;
    sha.Update(feed);
    sha.Update(std::string_view("\0", 1));
    sha.Update(eventPath);
    const CSha1::Digest digest = sha.Finish();
    constexpr char kHex[] = "0123456789abcdef";
    std::string key;
    for (std::size_t i = 0; i < 8; ++i) {
        key += kHex[digest[i] >> 4];
        key += kHex[digest[i] & 0x0F];
    }
    return key;
}

std::string PathOf(const std::string& folder, const std::string& key) {
    return folder.empty() ? std::string() : folder + "Imported-" + key + ".txt";
}

std::string HeaderFor(const std::string& owner, std::string_view body) {
    return std::string(CImportedGuids::kHeader) + " " + owner + " " +
           CSha256::ToHex(CSha256::Of(body)) + "\n";
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hexadecimal digits.
bool IsGuidText(std::string_view text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != '-' : !IsHex(text[i])) return false;
    }
    return true;
}

// Appends the non-empty lines of `body`; false when `guidsOnly` and one is no GUID text.
bool SplitLines(std::string_view body, bool guidsOnly, std::vector<std::string>& guids) {
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t end = body.find('\n', at);
        if (end == std::string_view::npos) end = body.size();
        const std::string_view line = body.substr(at, end - at);
        if (guidsOnly && !IsGuidText(line)) return false;
        if (!line.empty()) guids.emplace_back(line);
        at = end + 1;
    }
    return true;
}

}  // namespace

std::string CImportedGuids::OwnerOf(const std::string& feed, const std::string& eventPath) {
    return KeyOf(CFeedAddress::WithoutUserInfo(feed), eventPath);
}

std::string CImportedGuids::StatePath(const std::string& folder, const std::string& feed,
                                      const std::string& eventPath) {
    return PathOf(folder, OwnerOf(feed, eventPath));
}

std::string CImportedGuids::EarlierStatePath(const std::string& folder, const std::string& feed,
                                             const std::string& eventPath) {
    return PathOf(folder, KeyOf(feed, eventPath));
}

EStateLoad CImportedGuids::Load(CPlatform& platform, const std::string& path,
                                const std::string& owner, std::vector<std::string>& guids) {
    guids.clear();
    switch (platform.GetPathKind(path)) {
        case EPathKind::Missing:
            return EStateLoad::Missing;
        case EPathKind::File:
            break;
        default:
            return EStateLoad::NotAFile;
    }
    const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::Read);
    std::uint64_t length = 0;
    if (!file || !file->GetLength(length)) return EStateLoad::Unreadable;
    if (length > kLargestStateFile) return EStateLoad::Damaged;
    std::string text(static_cast<std::size_t>(length), '\0');
    std::size_t read = 0;
    if (!file->Read(text.data(), text.size(), read)) return EStateLoad::Unreadable;
    text.resize(read);
    const std::string_view all = text;
    if (!all.starts_with(kHeader)) {
        if (SplitLines(all, true, guids)) return EStateLoad::Loaded;
        guids.clear();
        return EStateLoad::Damaged;
    }
    const std::size_t bodyStart = all.find('\n') + 1;
    if (bodyStart == 0 || all.substr(0, bodyStart) != HeaderFor(owner, all.substr(bodyStart))) {
        return EStateLoad::Damaged;
    }
    SplitLines(all.substr(bodyStart), false, guids);
    return EStateLoad::Loaded;
}

std::string CImportedGuids::Text(const std::string& owner, const std::vector<std::string>& guids) {
    std::string body;
    for (const std::string& guid : guids) body += guid + '\n';
    return HeaderFor(owner, body) + body;
}

bool CImportedGuids::Save(CPlatform& platform, const std::string& path, const std::string& owner,
                          const std::vector<std::string>& guids) {
    const EPathKind kind = platform.GetPathKind(path);
    if (kind != EPathKind::Missing && kind != EPathKind::File) return false;
    std::string tempFolder;
    std::string tempPath;
    if (path.empty() || !platform.GetTempFolder(tempFolder) ||
        !platform.CreateTempFile(tempFolder, "gui", tempPath)) {
        return false;
    }
    const CFileRemover removeTemp(platform, std::move(tempPath));
    const std::string text = Text(owner, guids);
    {
        const std::unique_ptr<CFile> file =
            platform.OpenFile(removeTemp.GetPath(), EFileOpen::WriteExclusive);
        if (!file || !file->Write(text.data(), text.size()) || !file->Flush()) return false;
    }
    if (!platform.ReplaceFileWithCopy(removeTemp.GetPath(), path)) return false;
    platform.RestrictToOwner(path);
    return true;
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

std::vector<std::string> CImportedGuids::Union(const std::vector<std::string>& first,
                                               const std::vector<std::string>& second) {
    std::vector<std::string> all = first;
    const std::unordered_set<std::string_view> had(first.begin(), first.end());
    for (const std::string& guid : second) {
        if (had.count(guid) == 0) all.push_back(guid);
    }
    return all;
}

void CImportedGuids::AddGone(const std::vector<std::string>& previous,
                             const std::vector<std::string>& current, CStringArray& removeGuids) {
    const std::unordered_set<std::string> kept(current.begin(), current.end());
    for (const std::string& guid : previous) {
        if (kept.count(guid) == 0) removeGuids.Add(guid);
    }
}
