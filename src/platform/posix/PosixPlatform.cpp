// The platform services on Linux: the C library's clock and time locale, the kernel's random
// source for GUIDs, and POSIX files with flock(2) standing in for Windows' share mode 0.
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/Platform.h"
#include "platform/TempNames.h"
#include "platform/TzifText.h"
#include "platform/Utf8.h"
#include "platform/posix/InotifyFolderWatch.h"
#include "platform/posix/PosixFile.h"
#include "platform/posix/PosixLockFile.h"
#include "platform/posix/Windows1252.h"

namespace {

// Locale-independent fallback when the user's time locale cannot be loaded.
locale_t UserTimeLocale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
        if (l == static_cast<locale_t>(nullptr)) {
            l = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
        }
        return l;
    }();
    return locale;
}

std::string FolderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool CopyContents(int from, int to) {
    // In the kernel where it can (no trip through user space; a file system may even share
    // the blocks); from the current offsets by read and write where the pair of files does
    // not allow it. A failure after the first bytes is a failure of the copy.
    for (;;) {
        const ssize_t moved = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
        if (moved == 0) return true;
        if (moved > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EBADF && errno != EPERM) {
            return false;
        }
        break;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += put;
        }
    }
}

// Write permission as Windows' read-only attribute sees it: no write bit at all means
// write-protected, even for root, who would otherwise pass access(W_OK).
bool IsWriteProtected(const struct stat& st, const std::string& path) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return access(path.c_str(), W_OK) != 0;
}

// A leap second (tm_sec 60) is held at 59: calendar fields have no room for it.
CivilTime ToCivilTime(const std::tm& tm) {
    CivilTime result;
    result.year = tm.tm_year + 1900;
    result.month = tm.tm_mon + 1;
    result.day = tm.tm_mday;
    result.hour = tm.tm_hour;
    result.minute = tm.tm_min;
    result.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    return result;
}

// Opens `path` with `flags` without ever waiting (a FIFO without a partner would block the
// open or the first read for good); an invalid descriptor unless it is a regular file.
CPosixFd OpenRegular(const std::string& path, int flags) {
    CPosixFd fd(open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666));
    struct stat st {};
    if (!fd.IsValid() || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return CPosixFd();
    return fd;
}

// True while a process with this number runs (one of another user's included).
bool IsRunning(unsigned long process) {
    const auto pid = static_cast<pid_t>(process);
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// Deletes the regular files of `folder` named `head` and a tag (CTempNames) of a process
// that no longer runs. A process number taken again by another process only delays this.
void RemoveStale(const std::string& folder, const std::string& head) {
    DIR* const dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const int dirFd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        unsigned long process = 0;
        struct stat st {};
        if (CTempNames::IsOwnName(entry->d_name, head, process) && !IsRunning(process) &&
            fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            unlinkat(dirFd, entry->d_name, 0);
        }
    }
    closedir(dir);
}

// Creates `pattern` (ending in six X) as a new file of mode 0600; the pattern becomes its
// name.
CPosixFd CreateUnique(std::string& pattern) {
    return CPosixFd(mkostemp(pattern.data(), O_CLOEXEC));
}

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// Appends the Windows-1252 byte of `codePoint`, or '?' when the code page lacks it.
void AppendAnsi(std::string& out, char32_t codePoint) {
    unsigned char byte = 0;
    out += CWindows1252::FromUnicode(codePoint, byte) ? static_cast<char>(byte) : '?';
}

class CPosixPlatform final : public CPlatform {
public:
    CivilTime GetLocalTime() override {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        if (localtime_r(&now, &tm) == nullptr) return CivilTime();
        return ToCivilTime(tm);
    }

    std::string GetLocaleText(ELocaleText item, int index) override {
        nl_item what;
        // The C library counts weekdays from Sunday; ours start on Monday.
        const int weekday = ((index % 7) + 7) % 7;
        const int month = ((index % 12) + 12) % 12;
        switch (item) {
            case ELocaleText::AbbrevDayName:
                what = ABDAY_1 + (weekday + 1) % 7;
                break;
            case ELocaleText::DayName:
                what = DAY_1 + (weekday + 1) % 7;
                break;
            case ELocaleText::AbbrevMonthName:
                what = ABMON_1 + month;
                break;
            case ELocaleText::MonthName:
                what = MON_1 + month;
                break;
            case ELocaleText::AmDesignator:
                what = AM_STR;
                break;
            case ELocaleText::PmDesignator:
                what = PM_STR;
                break;
            default:
                return std::string();
        }
        const locale_t locale = UserTimeLocale();
        if (locale == static_cast<locale_t>(nullptr)) return std::string();
        const char* text = nl_langinfo_l(what, locale);
        return text != nullptr ? std::string(text) : std::string();
    }

    std::string CreateGuidString() override {
        unsigned char bytes[16] = {};
        std::size_t filled = 0;
        while (filled < sizeof bytes) {
            const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
            if (got < 0) {
                if (errno == EINTR) continue;
                for (unsigned char& b : bytes) b = 0;  // the all-zero GUID, as on Windows
                filled = sizeof bytes;
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        if (bytes[0] | bytes[1] | bytes[15]) {
            bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
            bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
        }
        char text[39];
        std::snprintf(text, sizeof text,
                      "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                      bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6],
                      bytes[7], bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13],
                      bytes[14], bytes[15]);
        return std::string(text, 38);
    }

    // Text on Linux is single-byte: no lead bytes.
    bool IsLeadByte(unsigned char) override { return false; }

    // The ANSI code page is Windows-1252, that of the Windows systems the files come from.
    // A surrogate pair is one character and so one '?'.
    std::string WideToAnsi(const std::u16string& text) override {
        std::string result;
        result.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i];
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                ++i;
            }
            AppendAnsi(result, unit);
        }
        return result;
    }

    std::string Utf8ToAnsi(const std::string& text) override {
        std::string result;
        result.reserve(text.size());
        for (std::size_t i = 0; i < text.size();) {
            char32_t codePoint = 0;
            const std::size_t length = CUtf8::Decode(text, i, codePoint);
            AppendAnsi(result, length == 0 ? U'?' : codePoint);
            i += length == 0 ? 1 : length;
        }
        return result;
    }

    std::string AnsiToUtf8(const std::string& text) override {
        std::string result;
        result.reserve(text.size());
        for (const char c : text) {
            CUtf8::Append(result, CWindows1252::ToUnicode(static_cast<unsigned char>(c)));
        }
        return result;
    }

    char PathSeparator() override { return '/'; }

    bool SamePathText(const std::string& a, const std::string& b) override { return a == b; }

    std::unique_ptr<CFile> OpenFile(const std::string& path, EFileOpen mode) override {
        auto file = std::make_unique<CPosixFile>(CPosixFd());
        CPosixFd fd;
        switch (mode) {
            case EFileOpen::Read:
                fd = OpenRegular(path, O_RDONLY);
                break;
            case EFileOpen::ReadExclusive:
                fd = OpenRegular(path, O_RDONLY);
                if (fd.IsValid() && flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return nullptr;
                break;
            case EFileOpen::WriteExclusive:
                // Truncated only once the lock is held, so a held file is never cut.
                fd = OpenRegular(path, O_WRONLY | O_CREAT);
                if (fd.IsValid() &&
                    (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 || ftruncate(fd.Get(), 0) != 0)) {
                    return nullptr;
                }
                break;
            case EFileOpen::Lock:
                fd = CPosixLockFile::Open(path);
                if (fd.IsValid() && !CPosixLockFile::Take(fd, path)) return nullptr;
                break;
        }
        if (!fd.IsValid()) return nullptr;
        file->Attach(std::move(fd));
        return file;
    }

    bool IsSameFile(const std::string& a, const std::string& b) override {
        struct stat first {};
        struct stat second {};
        return !a.empty() && !b.empty() && stat(a.c_str(), &first) == 0 &&
               stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    }

    EFileTimeResult GetLastWriteTimeUtc(const std::string& path, CivilTime& time) override {
        struct stat st {};
        if (path.empty() || stat(path.c_str(), &st) != 0) return EFileTimeResult::NotFound;
        std::tm tm{};
        const std::time_t seconds = st.st_mtim.tv_sec;
        if (gmtime_r(&seconds, &tm) == nullptr) return EFileTimeResult::Unconvertible;
        time = ToCivilTime(tm);
        return EFileTimeResult::Ok;
    }

    bool GetTempFolder(std::string& folder) override {
        const char* tmp = std::getenv("TMPDIR");
        folder = (tmp != nullptr && *tmp != '\0') ? tmp : "/tmp";
        if (folder.back() != '/') folder.push_back('/');
        struct stat st {};
        return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool CreateTempFile(const std::string& folder, const std::string& prefix,
                        std::string& path) override {
        std::string pattern = folder;
        if (!pattern.empty() && pattern.back() != '/') pattern.push_back('/');
        pattern += prefix + CTempNames::Tag(static_cast<unsigned long>(getpid())) + "XXXXXX";
        const CPosixFd fd = CreateUnique(pattern);
        if (!fd.IsValid()) return false;
        // A swap allocates nothing: the file just made cannot be lost to a lack of memory.
        path.swap(pattern);
        return true;
    }

    bool CopyFile(const std::string& source, const std::string& target) override {
        const CPosixFd from = OpenRegular(source, O_RDONLY);
        if (!from.IsValid()) return false;
        struct stat targetStat {};
        if (stat(target.c_str(), &targetStat) == 0 && IsWriteProtected(targetStat, target)) {
            return false;
        }
        const CPosixFd to = OpenRegular(target, O_WRONLY | O_CREAT);
        if (!to.IsValid() || ftruncate(to.Get(), 0) != 0) return false;
        return CopyContents(from.Get(), to.Get());
    }

    bool ReplaceFileWithCopy(const std::string& source, const std::string& target) override {
        // A link stays a link: the file it names is the one replaced, from beside it.
        std::string replaced = target;
        struct stat linkStat {};
        if (lstat(target.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
            char* const resolved = realpath(target.c_str(), nullptr);
            if (resolved == nullptr) return false;
            replaced = resolved;
            std::free(resolved);
        }
        struct stat targetStat {};
        const bool targetExists = stat(replaced.c_str(), &targetStat) == 0;
        if (targetExists &&
            (!S_ISREG(targetStat.st_mode) || IsWriteProtected(targetStat, replaced))) {
            return false;
        }
        const CPosixFd from = OpenRegular(source, O_RDONLY);
        if (!from.IsValid()) return false;

        // A name of its own per writer, so that two writers of one target never remove each
        // other's; the ones that killed writers left are removed first (and the one fixed name
        // that earlier versions used). A new file (O_EXCL) refuses a link at the name.
        const std::string folder = FolderOf(replaced);
        const std::string head = "." + NameOf(replaced);
        RemoveStale(folder, head);
        unlink((folder + "/" + head + ".replace").c_str());
        std::string staging =
            folder + "/" + head + CTempNames::Tag(static_cast<unsigned long>(getpid())) + "XXXXXX";
        CPosixFd to = CreateUnique(staging);
        if (!to.IsValid()) return false;
        // A new target gets the mode open(2) would give it; an existing one keeps mode, owner
        // and group (the owner only where the process may give it away: root may). The mode
        // follows the owner, since a change of owner clears the set-user-ID bits.
        const mode_t mode = targetExists ? (targetStat.st_mode & 07777) : (0666 & ~CurrentUmask());
        if (targetExists) {
            if (fchown(to.Get(), targetStat.st_uid, targetStat.st_gid) != 0) {
                static_cast<void>(fchown(to.Get(), static_cast<uid_t>(-1), targetStat.st_gid));
            }
        }
        const bool written = CopyContents(from.Get(), to.Get()) && fchmod(to.Get(), mode) == 0 &&
                             fsync(to.Get()) == 0 && to.Close();
        if (!written || rename(staging.c_str(), replaced.c_str()) != 0) {
            unlink(staging.c_str());
            return false;
        }
        // The rename itself is durable only once the folder is flushed.
        const CPosixFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.IsValid()) fsync(dir.Get());
        return true;
    }

    bool DeleteFile(const std::string& path) override { return unlink(path.c_str()) == 0; }

    void RemoveStaleTempFiles(const std::string& folder) override { RemoveStale(folder, ""); }

    bool FileExists(const std::string& path) override {
        struct stat st {};
        return !path.empty() && stat(path.c_str(), &st) == 0;
    }

    EPathKind GetPathKind(const std::string& path) override {
        struct stat st {};
        if (path.empty() || lstat(path.c_str(), &st) != 0) {
            return errno == ENOENT || errno == ENOTDIR || path.empty() ? EPathKind::Missing
                                                                       : EPathKind::Other;
        }
        if (S_ISREG(st.st_mode)) return EPathKind::File;
        if (S_ISLNK(st.st_mode)) return EPathKind::Link;
        if (S_ISDIR(st.st_mode)) return EPathKind::Folder;
        return EPathKind::Other;
    }

    bool CreateDirectory(const std::string& path) override {
        return mkdir(path.c_str(), 0777) == 0;
    }

    std::unique_ptr<CFolderWatch> WatchFolder(const std::string& folder,
                                              std::string& reason) override {
        return CInotifyFolderWatch::Open(folder, reason);
    }

    // Transparent huge pages, where the kernel grants them to regions that ask (the mode
    // "madvise"); only whole pages inside the buffer can be advised.
    void AdviseLargeBuffer(void* data, std::size_t size) override {
        constexpr std::size_t kHugePage = std::size_t{2} << 20;
        if (size < kHugePage) return;
        const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const auto address = reinterpret_cast<std::uintptr_t>(data);
        const std::uintptr_t begin = (address + page - 1) & ~(page - 1);
        const std::uintptr_t end = (address + size) & ~(page - 1);
        if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }

    bool RestrictToOwner(const std::string& path) override {
        const CPosixFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (!fd.IsValid() || fstat(fd.Get(), &st) != 0) return false;
        return fchmod(fd.Get(), S_ISDIR(st.st_mode) ? 0700 : 0600) == 0;
    }

    bool IsReadableByOthers(const std::string& path) override {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 && (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
    }

    // Secrets stay in the settings file, which only its owner may read.
    bool ProtectSecret(const std::string&, std::string&) override { return false; }
    bool UnprotectSecret(const std::string&, std::string&) override { return false; }

    bool GetAppDataFolder(std::string& folder) override {
        const char* config = std::getenv("XDG_CONFIG_HOME");
        if (config != nullptr && config[0] == '/') {
            folder = config;
        } else {
            const char* home = std::getenv("HOME");
            if (home == nullptr || home[0] == '\0') {
                const struct passwd* pw = getpwuid(getuid());
                if (pw == nullptr || pw->pw_dir == nullptr || pw->pw_dir[0] == '\0') return false;
                home = pw->pw_dir;
            }
            folder = std::string(home) + "/.config";
        }
        // Created on demand, as the shell does for its folders.
        struct stat st {};
        if (stat(folder.c_str(), &st) != 0 && mkdir(folder.c_str(), 0700) != 0) return false;
        return true;
    }

    bool ReadZoneData(const std::string& name, std::string& tzif) override {
        if (!CTzifText::IsZoneName(name)) {
            return false;
        }
        const char* folder = std::getenv("TZDIR");
        const std::string base =
            folder != nullptr && folder[0] == '/' ? folder : "/usr/share/zoneinfo";
        return ReadTzifFile(base + "/" + name, tzif);
    }

    bool ReadLocalZoneData(std::string& tzif) override {
        const char* tz = std::getenv("TZ");
        if (tz == nullptr) {
            return ReadTzifFile("/etc/localtime", tzif);
        }
        std::string value = tz[0] == ':' ? tz + 1 : tz;
        if (value.empty()) {
            tzif = CTzifText::FromPosixRule("UTC0");
            return true;
        }
        if (value[0] == '/') {
            return ReadTzifFile(value, tzif);
        }
        if (ReadZoneData(value, tzif)) {
            return true;
        }
        // Not a zone of the database: a rule such as "CET-1CEST,M3.5.0,M10.5.0/3".
        tzif = CTzifText::FromPosixRule(value);
        return true;
    }

private:
    // A zoneinfo file: a regular file, opened without blocking, at most 1 MiB, "TZif" first.
    bool ReadTzifFile(const std::string& path, std::string& tzif) {
        std::unique_ptr<CFile> file = OpenFile(path, EFileOpen::Read);
        std::uint64_t length = 0;
        if (file == nullptr || !file->GetLength(length) || length > (1u << 20)) {
            return false;
        }
        std::string bytes(static_cast<std::size_t>(length), '\0');
        std::size_t read = 0;
        if (!file->Read(bytes.data(), bytes.size(), read) || read != bytes.size() ||
            bytes.compare(0, 4, "TZif") != 0) {
            return false;
        }
        tzif = std::move(bytes);
        return true;
    }
};

}  // namespace

CPlatform& CPlatform::Default() {
    static CPosixPlatform platform;
    return platform;
}
