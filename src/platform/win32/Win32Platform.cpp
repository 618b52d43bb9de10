// The platform services on Windows: the system clock and the user's locale, COM GUIDs, and
// ANSI Win32 file calls, where share mode 0 gives the exclusive opens and the lock file.
// First, so that no later header sees the colliding macros.
#include "platform/win32/Win32Api.h"

#include <aclapi.h>
#include <objbase.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/TempNames.h"
#include "platform/TzifText.h"
#include "platform/win32/Win32File.h"
#include "platform/win32/Win32FolderWatch.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/Win32ZoneData.h"

namespace {

constexpr char kZeroGuid[] = "{00000000-0000-0000-0000-000000000000}";

// Index of the last folder separator in `path`, skipping the trail bytes of double-byte
// characters (which may equal '\\'); npos when there is none.
std::string::size_type LastSeparator(const std::string& path) {
    std::string::size_type last = std::string::npos;
    for (std::string::size_type i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (::IsDBCSLeadByte(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == '/') {
            last = i;
        }
    }
    return last;
}

std::wstring CodePageToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int size = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (size <= 0) return std::wstring();
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), length, result.data(), size);
    return result;
}

std::wstring AnsiToWide(const std::string& text) {
    return CodePageToWide(CP_ACP, text);
}

std::string WideToCodePage(UINT codePage, const wchar_t* wide, std::size_t count) {
    if (count == 0) return std::string();
    const int length = static_cast<int>(count);
    // No best-fit mapping: a character the code page lacks becomes '?', not a look-alike.
    // UTF-8 takes no flags.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size =
        ::WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, flags, wide, length, result.data(), size, nullptr, nullptr);
    return result;
}

bool IsReadOnly(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool ClearReadOnly(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
    return ::SetFileAttributesA(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) !=
           FALSE;
}

bool FlushToDisk(const std::string& path) {
    const CWin32Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && ::FlushFileBuffers(file.Get()) != FALSE;
}

// Gives `to` the access list of `from`, and its owner and group where this process may set
// them (another user's ownership needs the restore privilege). False when the access list
// could not be read or set.
bool CopySecurity(const std::string& from, const std::string& to) {
    constexpr SECURITY_INFORMATION kAll =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    // The system allocates the descriptor: a lack of memory is a failed call, not an exception
    // that would leave the staging file behind.
    PSECURITY_DESCRIPTOR read = nullptr;
    if (::GetNamedSecurityInfoA(from.c_str(), SE_FILE_OBJECT, kAll, nullptr, nullptr, nullptr,
                                nullptr, &read) != ERROR_SUCCESS) {
        return false;
    }
    const std::unique_ptr<void, decltype(&::LocalFree)> descriptor(read, &::LocalFree);
    return ::SetFileSecurityA(to.c_str(), kAll, read) ||
           ::SetFileSecurityA(to.c_str(), GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              read) ||
           ::SetFileSecurityA(to.c_str(), DACL_SECURITY_INFORMATION, read);
}

// True for an open handle on a file on a disk: no pipe, console or device, no folder, and not
// a link (reparse point) itself, where one was opened with FILE_FLAG_OPEN_REPARSE_POINT.
bool IsRegularDiskFile(HANDLE handle) {
    if (::GetFileType(handle) != FILE_TYPE_DISK) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return false;
    const DWORD refused = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return (info.dwFileAttributes & refused) == 0;
}

// A handle for looking at `path` (attributes, identity, final path) without reading it and
// without keeping anyone else out.
CWin32Handle OpenForQuery(const std::string& path) {
    return CWin32Handle(::CreateFileA(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// True while a process with this number runs (one of another user's included).
bool IsRunning(unsigned long process) {
    const CWin32Handle handle(
        ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process)));
    if (!handle.IsValid()) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    return ::GetExitCodeProcess(handle.Get(), &code) && code == STILL_ACTIVE;
}

// Deletes the files of `folder` (ending with a separator) named `head` and a tag (CTempNames)
// of a process that no longer runs.
void RemoveStale(const std::string& folder, const std::string& head) {
    WIN32_FIND_DATAA entry{};
    const HANDLE find = ::FindFirstFileA((folder + head + "*-zf*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        unsigned long process = 0;
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                0 &&
            CTempNames::IsOwnName(entry.cFileName, head, process) && !IsRunning(process)) {
            ::DeleteFileA((folder + entry.cFileName).c_str());
        }
    } while (::FindNextFileA(find, &entry));
    ::FindClose(find);
}

// Creates a new, empty file named `start` (a folder with its separator and the beginning of a
// name), the process's tag and a unique part; `path` receives its name.
bool CreateUnique(const std::string& start, std::string& path) {
    static unsigned long counter = ::GetTickCount();
    const std::string named = start + CTempNames::Tag(::GetCurrentProcessId());
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char unique[16];
        std::snprintf(unique, sizeof unique, "%06lX", (counter++ * 2654435761UL) & 0xFFFFFFUL);
        std::string created = named + unique;
        const CWin32Handle file(::CreateFileA(created.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid()) {
            path.swap(created);
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// True when `path` opens, without waiting, as a regular file on a disk.
bool IsRegularFilePath(const std::string& path) {
    const CWin32Handle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && ::GetFileType(file.Get()) == FILE_TYPE_DISK;
}

// The path of the file that `path` finally names, links followed; `path` itself unless it is
// a link. False when a link's target cannot be found.
bool ResolveLink(const std::string& path, std::string& resolved) {
    resolved = path;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return true;
    }
    const CWin32Handle file = OpenForQuery(path);
    if (!file.IsValid()) return false;
    char buffer[MAX_PATH + 8] = {};
    const DWORD length =
        ::GetFinalPathNameByHandleA(file.Get(), buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= sizeof buffer) return false;
    resolved.assign(buffer, length);
    // "\\?\C:\..." names the same file as "C:\..."; the plain form keeps the ANSI calls
    // within their usual limits.
    if (resolved.rfind("\\\\?\\", 0) == 0 && resolved.size() > 6 && resolved[5] == ':') {
        resolved.erase(0, 4);
    }
    return true;
}

CivilTime ToCivilTime(const SYSTEMTIME& st) {
    CivilTime result;
    result.year = st.wYear;
    result.month = st.wMonth;
    result.day = st.wDay;
    result.hour = st.wHour;
    result.minute = st.wMinute;
    result.second = st.wSecond;
    return result;
}

class CWin32Platform final : public CPlatform {
public:
    CivilTime GetLocalTime() override {
        SYSTEMTIME st{};
        ::GetLocalTime(&st);
        return ToCivilTime(st);
    }

    std::string GetLocaleText(ELocaleText item, int index) override {
        // LOCALE_SDAYNAME1 is Monday, as our day index 0 is.
        const int weekday = ((index % 7) + 7) % 7;
        const int month = ((index % 12) + 12) % 12;
        LCTYPE what;
        switch (item) {
            case ELocaleText::AbbrevDayName:
                what = LOCALE_SABBREVDAYNAME1 + weekday;
                break;
            case ELocaleText::DayName:
                what = LOCALE_SDAYNAME1 + weekday;
                break;
            case ELocaleText::AbbrevMonthName:
                what = LOCALE_SABBREVMONTHNAME1 + month;
                break;
            case ELocaleText::MonthName:
                what = LOCALE_SMONTHNAME1 + month;
                break;
            case ELocaleText::AmDesignator:
                what = LOCALE_S1159;
                break;
            case ELocaleText::PmDesignator:
                what = LOCALE_S2359;
                break;
            default:
                return std::string();
        }
        char buffer[256] = {};
        if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, what, buffer, sizeof buffer) == 0) {
            return std::string();
        }
        return std::string(buffer);
    }

    std::string CreateGuidString() override {
        // The generator's result is ignored on purpose: a failure leaves the zero GUID.
        GUID guid{};
        static_cast<void>(::CoCreateGuid(&guid));
        wchar_t wide[64] = {};
        if (::StringFromGUID2(guid, wide, 64) == 0) return kZeroGuid;
        char text[64] = {};
        if (::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr) == 0) {
            return kZeroGuid;
        }
        return std::string(text);
    }

    bool IsLeadByte(unsigned char c) override { return ::IsDBCSLeadByte(c) != FALSE; }

    std::string WideToAnsi(const std::u16string& text) override {
        // wchar_t is UTF-16 on Windows.
        return WideToCodePage(CP_ACP, reinterpret_cast<const wchar_t*>(text.data()), text.size());
    }

    // Ill-formed UTF-8 reaches the wide text as U+FFFD, which the code page lacks.
    std::string Utf8ToAnsi(const std::string& text) override {
        const std::wstring wide = CodePageToWide(CP_UTF8, text);
        return WideToCodePage(CP_ACP, wide.data(), wide.size());
    }

    std::string AnsiToUtf8(const std::string& text) override {
        const std::wstring wide = CodePageToWide(CP_ACP, text);
        return WideToCodePage(CP_UTF8, wide.data(), wide.size());
    }

    char PathSeparator() override { return '\\'; }

    // File names compare as the file system does: ordinal, ignoring case.
    bool SamePathText(const std::string& a, const std::string& b) override {
        if (a == b) return true;
        const std::wstring wa = AnsiToWide(a);
        const std::wstring wb = AnsiToWide(b);
        return ::CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                      static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
    }

    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override {
        auto file = std::make_unique<CWin32File>(CWin32Handle());
        DWORD access = GENERIC_READ;
        DWORD share = 0;
        DWORD disposition = OPEN_EXISTING;
        DWORD flags = FILE_ATTRIBUTE_NORMAL;
        switch (mode) {
            case EFileOpen::Read:
                share = FILE_SHARE_READ | FILE_SHARE_WRITE;
                break;
            case EFileOpen::ReadExclusive:
                break;
            case EFileOpen::WriteExclusive:
                // A file held by another opener fails with a sharing violation before
                // CREATE_ALWAYS truncates it.
                access = GENERIC_WRITE;
                disposition = CREATE_ALWAYS;
                break;
            case EFileOpen::Lock:
                // Opened, not yet cut: a link at the path is opened as the link itself and
                // refused below, so its target is never truncated.
                access = GENERIC_WRITE;
                disposition = OPEN_ALWAYS;
                flags |= FILE_FLAG_OPEN_REPARSE_POINT;
                break;
        }
        CWin32Handle handle(
            ::CreateFileA(path.c_str(), access, share, nullptr, disposition, flags, nullptr));
        if (!handle.IsValid() || !IsRegularDiskFile(handle.Get())) return nullptr;
        if (mode == EFileOpen::Lock && !::SetEndOfFile(handle.Get())) return nullptr;
        file->Attach(std::move(handle));
        return file;
    }

    bool IsSameFile(const std::string& a, const std::string& b) override {
        if (a.empty() || b.empty()) return false;
        const CWin32Handle first = OpenForQuery(a);
        const CWin32Handle second = OpenForQuery(b);
        BY_HANDLE_FILE_INFORMATION one{};
        BY_HANDLE_FILE_INFORMATION two{};
        return first.IsValid() && second.IsValid() &&
               ::GetFileInformationByHandle(first.Get(), &one) &&
               ::GetFileInformationByHandle(second.Get(), &two) &&
               one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
               one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
    }

    EFileTimeResult GetLastWriteTimeUtc(const std::string& path, CivilTime& time) override {
        WIN32_FIND_DATAA entry{};
        const HANDLE find = ::FindFirstFileA(path.c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return EFileTimeResult::NotFound;
        ::FindClose(find);
        SYSTEMTIME st{};
        if (!::FileTimeToSystemTime(&entry.ftLastWriteTime, &st)) {
            return EFileTimeResult::Unconvertible;
        }
        time = ToCivilTime(st);
        return EFileTimeResult::Ok;
    }

    bool GetTempFolder(std::string& folder) override {
        char buffer[MAX_PATH + 1] = {};
        const DWORD length = ::GetTempPathA(MAX_PATH, buffer);
        // A result of MAX_PATH or more is the size the path would need: it did not fit.
        if (length == 0 || length >= MAX_PATH) return false;
        folder.assign(buffer, length);
        if (folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
        return true;
    }

    bool CreateTempFile(const std::string& folder, const std::string& prefix,
                        std::string& path) override {
        std::string start = folder;
        if (!start.empty() && start.back() != '\\' && start.back() != '/') start += '\\';
        return CreateUnique(start + prefix, path);
    }

    bool CopyFile(const std::string& source, const std::string& target) override {
        // Windows refuses a read-only target by itself; Wine running as root does not,
        // because the Unix permission check passes for root.
        if (IsReadOnly(target)) return false;
        // A pipe or device would let the copy wait for good or copy what is no file.
        if (!IsRegularFilePath(source)) return false;
        return ::CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE;
    }

    bool ReplaceFileWithCopy(const std::string& source, const std::string& target) override {
        // A link stays a link: the file it names is the one replaced, from beside it.
        std::string replaced;
        if (!ResolveLink(target, replaced)) return false;
        // MoveFileEx replaces a read-only target on some systems; refuse it here.
        const DWORD attributes = ::GetFileAttributesA(replaced.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
             !IsRegularFilePath(replaced))) {
            return false;
        }
        if (!IsRegularFilePath(source)) return false;

        // A name of its own per writer, in the target's folder so that the final move is a
        // rename within one volume; the ones that killed writers left are removed first (and
        // the one fixed name that earlier versions used).
        const std::string::size_type sep = LastSeparator(replaced);
        const std::string::size_type nameStart = sep != std::string::npos ? sep + 1
                                                 : replaced.size() >= 2 && replaced[1] == ':' ? 2
                                                                                              : 0;
        const std::string folder = replaced.substr(0, nameStart);
        const std::string head = "." + replaced.substr(nameStart);
        RemoveStale(folder, head);
        ClearReadOnly(folder + head + ".replace");
        ::DeleteFileA((folder + head + ".replace").c_str());
        std::string staging;
        if (!CreateUnique(folder + head, staging)) return false;
        // CopyFileA carries the source's attributes over; a read-only copy could be neither
        // flushed nor deleted. The target's own attributes (hidden, archive) go to the copy.
        const DWORD keep = attributes == INVALID_FILE_ATTRIBUTES
                               ? FILE_ATTRIBUTE_NORMAL
                               : (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                FILE_ATTRIBUTE_ARCHIVE));
        // An existing target keeps who owns it and who may use it, as the copy would otherwise
        // take the folder's defaults. ReplaceFile keeps its remaining identity (creation time,
        // streams); MoveFileEx makes a new target.
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        const bool ready =
            ::CopyFileA(source.c_str(), staging.c_str(), FALSE) != FALSE &&
            ClearReadOnly(staging) && (!exists || CopySecurity(replaced, staging)) &&
            FlushToDisk(staging) &&
            ::SetFileAttributesA(staging.c_str(), keep == 0 ? FILE_ATTRIBUTE_NORMAL : keep);
        const bool moved =
            ready && (exists ? ::ReplaceFileA(replaced.c_str(), staging.c_str(), nullptr,
                                              REPLACEFILE_WRITE_THROUGH, nullptr, nullptr)
                             : ::MoveFileExA(staging.c_str(), replaced.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
        if (!moved) {
            ClearReadOnly(staging);
            ::DeleteFileA(staging.c_str());
            return false;
        }
        return true;
    }

    bool DeleteFile(const std::string& path) override {
        return ::DeleteFileA(path.c_str()) != FALSE;
    }

    void RemoveStaleTempFiles(const std::string& folder) override {
        std::string start = folder;
        if (!start.empty() && start.back() != '\\' && start.back() != '/') start += '\\';
        RemoveStale(start, "");
    }

    bool FileExists(const std::string& path) override {
        return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    EPathKind GetPathKind(const std::string& path) override {
        const DWORD attributes =
            path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = ::GetLastError();
            return path.empty() || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                       ? EPathKind::Missing
                       : EPathKind::Other;
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EPathKind::Link;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EPathKind::Folder;
        const CWin32Handle file = OpenForQuery(path);
        return file.IsValid() && ::GetFileType(file.Get()) == FILE_TYPE_DISK ? EPathKind::File
                                                                             : EPathKind::Other;
    }

    bool CreateDirectory(const std::string& path) override {
        return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
    }

    // Large pages need a privilege that user accounts lack by default.
    std::unique_ptr<CFolderWatch> WatchFolder(const std::string& folder,
                                              std::string& reason) override {
        return CWin32FolderWatch::Open(folder, reason);
    }

    void AdviseLargeBuffer(void*, std::size_t) override {}

    // The user's profile folder is the user's alone already; the secret in it is encrypted.
    bool RestrictToOwner(const std::string&) override { return true; }
    bool IsReadableByOthers(const std::string&) override { return false; }

    bool ProtectSecret(const std::string& secret, std::string& stored) override {
        DATA_BLOB in{static_cast<DWORD>(secret.size()),
                     reinterpret_cast<BYTE*>(const_cast<char*>(secret.data()))};
        DATA_BLOB out{};
        if (!::CryptProtectData(&in, L"ZelvaroFeed", nullptr, nullptr, nullptr,
                                CRYPTPROTECT_UI_FORBIDDEN, &out)) {
            return false;
        }
        const std::unique_ptr<void, decltype(&::LocalFree)> owned(out.pbData, &::LocalFree);
        constexpr char kHex[] = "0123456789abcdef";
        stored.clear();
        for (DWORD i = 0; i < out.cbData; ++i) {
            stored += kHex[out.pbData[i] >> 4];
            stored += kHex[out.pbData[i] & 0x0F];
        }
        return true;
    }

    bool UnprotectSecret(const std::string& stored, std::string& secret) override {
        if (stored.empty() || stored.size() % 2 != 0) return false;
        std::string bytes;
        for (std::size_t i = 0; i < stored.size(); i += 2) {
            const auto digit = [](char c) {
                return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            };
            const int high = digit(stored[i]);
            const int low = digit(stored[i + 1]);
            if (high < 0 || low < 0) return false;
            bytes += static_cast<char>(high * 16 + low);
        }
        DATA_BLOB in{static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data())};
        DATA_BLOB out{};
        if (!::CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr,
                                  CRYPTPROTECT_UI_FORBIDDEN, &out)) {
            return false;
        }
        const std::unique_ptr<void, decltype(&::LocalFree)> owned(out.pbData, &::LocalFree);
        secret.assign(reinterpret_cast<const char*>(out.pbData), out.cbData);
        return true;
    }

    bool GetAppDataFolder(std::string& folder) override {
        char buffer[MAX_PATH + 1] = {};
        if (!::SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_APPDATA, TRUE) || buffer[0] == '\0') {
            return false;
        }
        folder = buffer;
        return true;
    }

    bool ReadZoneData(const std::string& name, std::string& tzif) override {
        return CTzifText::IsZoneName(name) && CWin32ZoneData::Read(name, tzif);
    }

    bool ReadLocalZoneData(std::string& tzif) override { return CWin32ZoneData::ReadLocal(tzif); }
};

}  // namespace

CPlatform& CPlatform::Default() {
    static CWin32Platform platform;
    return platform;
}
