// The platform implementation of this build against the real operating system: clock,
// locale, GUIDs, exclusive opens, temporary files and the crash-safe copy back.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

#ifdef _WIN32
#include "platform/win32/Win32Api.h"

#include <sddl.h>
#else
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

CPlatform& Os() {
    return CPlatform::Default();
}

// Seconds since 1970 for a civil time, without any time-zone meaning.
long long SecondsOf(const CivilTime& t) {
    using namespace std::chrono;
    const sys_days days = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                         day{static_cast<unsigned>(t.day)}};
    return days.time_since_epoch().count() * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

CivilTime FromTm(const std::tm& tm) {
    CivilTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return t;
}

long long LocalNow() {
    const std::time_t now = std::time(nullptr);
    return SecondsOf(FromTm(*std::localtime(&now)));
}

long long UtcNow() {
    const std::time_t now = std::time(nullptr);
    return SecondsOf(FromTm(*std::gmtime(&now)));
}

bool IsGuidText(const std::string& text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const char c = text[i];
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (c != '-') return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

TEST(PlatformTest, LocalTimeAgreesWithTheCLibrary) {
#ifdef _WIN32
    // The C runtime reads TZ in its own "EST5EDT" form and takes a zone name handed down from
    // a Unix environment (Wine) for UTC; without TZ it follows the system's zone, as
    // GetLocalTime does.
    _putenv("TZ=");
    _tzset();
#endif
    const long long before = LocalNow();
    const CivilTime now = Os().GetLocalTime();
    const long long after = LocalNow();

    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_GE(now.hour, 0);
    EXPECT_LE(now.hour, 23);
    EXPECT_GE(now.minute, 0);
    EXPECT_LE(now.minute, 59);
    EXPECT_GE(now.second, 0);
    EXPECT_LE(now.second, 59);
    // Tolerance for a second boundary between the calls, not a timing requirement.
    EXPECT_GE(SecondsOf(now), before - 2);
    EXPECT_LE(SecondsOf(now), after + 2);
}

TEST(PlatformTest, GuidTextsAreWellFormedAndDistinct) {
    const std::string first = Os().CreateGuidString();
    const std::string second = Os().CreateGuidString();
    EXPECT_TRUE(IsGuidText(first)) << first;
    EXPECT_TRUE(IsGuidText(second)) << second;
    EXPECT_NE(first, second);
    EXPECT_NE(first, "{00000000-0000-0000-0000-000000000000}");
}

TEST(PlatformTest, LocaleNamesAreDistinctAndMondayFirst) {
    for (const ELocaleText item : {ELocaleText::AbbrevDayName, ELocaleText::DayName}) {
        std::vector<std::string> names;
        for (int i = 0; i < 7; ++i) names.push_back(Os().GetLocaleText(item, i));
        for (const std::string& name : names) EXPECT_FALSE(name.empty());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
    }
    for (const ELocaleText item : {ELocaleText::AbbrevMonthName, ELocaleText::MonthName}) {
        std::vector<std::string> names;
        for (int i = 0; i < 12; ++i) names.push_back(Os().GetLocaleText(item, i));
        for (const std::string& name : names) EXPECT_FALSE(name.empty());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
    }

    // The exact texts can only be known for an English locale (the C locale on Linux, the
    // default user locale under Wine).
    if (Os().GetLocaleText(ELocaleText::MonthName, 0) != "January") {
        GTEST_SKIP() << "user locale is not English; exact names not checked";
    }
    struct Case {
        ELocaleText item;
        int index;
        const char* text;
    };
    const Case cases[] = {
        {ELocaleText::DayName, 0, "Monday"},       {ELocaleText::DayName, 2, "Wednesday"},
        {ELocaleText::DayName, 6, "Sunday"},       {ELocaleText::AbbrevDayName, 0, "Mon"},
        {ELocaleText::AbbrevDayName, 6, "Sun"},    {ELocaleText::MonthName, 11, "December"},
        {ELocaleText::AbbrevMonthName, 0, "Jan"},  {ELocaleText::AbbrevMonthName, 8, "Sep"},
        {ELocaleText::AbbrevMonthName, 11, "Dec"}, {ELocaleText::AmDesignator, 0, "AM"},
        {ELocaleText::PmDesignator, 0, "PM"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Os().GetLocaleText(c.item, c.index), c.text)
            << "item " << static_cast<int>(c.item) << " index " << c.index;
    }
}

TEST(PlatformTest, TextHelpers) {
    EXPECT_EQ(Os().WideToAnsi(u"Calendar 2024-01-31 {ABC}"), "Calendar 2024-01-31 {ABC}");
    EXPECT_EQ(Os().WideToAnsi(u""), "");
    for (int c = 0; c < 128; ++c) {
        EXPECT_FALSE(Os().IsLeadByte(static_cast<unsigned char>(c))) << c;
    }

    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"events.dat", "events.dat", true},
        {"events.dat", "events.da", false},
        {"events.dat", "events.lock", false},
        {"", "", true},
#ifdef _WIN32
        {"C:\\Data\\Events.DAT", "c:\\data\\events.dat", true},
        {"C:\\Data\\Events.dat", "C:\\Data\\Events.dat ", false},
#else
        {"/data/Events.DAT", "/data/events.dat", false},
#endif
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Os().SamePathText(c.a, c.b), c.same) << c.a << " | " << c.b;
    }
#ifdef _WIN32
    EXPECT_EQ(Os().PathSeparator(), '\\');
#else
    EXPECT_EQ(Os().PathSeparator(), '/');
#endif
}

// The advice changes how memory is backed, never what it holds: a block written before and
// after it, in whole large pages and at its unaligned ends, reads back as written.
TEST(PlatformTest, LargeBlockAdviceKeepsTheContents) {
    constexpr std::size_t kBytes = 9 * 1024 * 1024 + 123;
    std::vector<std::uint8_t> block(kBytes);
    for (std::size_t i = 0; i < kBytes; i += 97) block[i] = static_cast<std::uint8_t>(i / 97 + 1);
    Os().AdviseLargeBuffer(block.data() + 5, kBytes - 5);
    for (std::size_t i = 1; i < kBytes; i += 97) block[i] = 0xA5;
    for (std::size_t i = 0; i < kBytes; ++i) {
        const std::uint8_t expected = i % 97 == 0   ? static_cast<std::uint8_t>(i / 97 + 1)
                                      : i % 97 == 1 ? 0xA5
                                                    : 0;
        ASSERT_EQ(block[i], expected) << "byte " << i;
    }
}

TEST(PlatformTest, AppDataFolderExists) {
    std::string folder;
    ASSERT_TRUE(Os().GetAppDataFolder(folder));
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::is_directory(folder)) << folder;
}

TEST(PlatformTest, SystemTempFolderTakesANewDatFile) {
    std::string folder;
    ASSERT_TRUE(Os().GetTempFolder(folder));
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() == Os().PathSeparator() || folder.back() == '/') << folder;
    EXPECT_TRUE(fs::is_directory(folder)) << folder;

    std::string path;
    ASSERT_TRUE(Os().CreateTempFile(folder, "dat", path));
    EXPECT_EQ(path.rfind(folder, 0), 0u) << path;
    EXPECT_EQ(fs::path(path).filename().string().rfind("dat", 0), 0u) << path;
    EXPECT_TRUE(fs::is_regular_file(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_TRUE(Os().DeleteFile(path));
}

// Each test gets its own scratch folder under the system's temporary folder.
class PlatformFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        std::ostringstream name;
        name << "zf-platform-" << std::hex << random() << random();
        m_folder = fs::temp_directory_path() / name.str();
        ASSERT_TRUE(fs::create_directory(m_folder));
    }

    void TearDown() override {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(m_folder, error)) {
            fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, error);
        }
        fs::remove_all(m_folder, error);
    }

    std::string Folder() const { return m_folder.string(); }
    std::string Path(const std::string& name) const { return (m_folder / name).string(); }

    static void Write(const std::string& path, const std::string& content) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        ASSERT_TRUE(out.good()) << path;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static void WriteProtect(const std::string& path) {
        fs::permissions(path,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                        fs::perm_options::replace);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path m_folder;
};

TEST_F(PlatformFilesTest, WrittenBytesReadBack) {
    const std::string path = Path("data.bin");
    const std::string content("ab\0\r\n\xff end", 10);
    {
        const auto file = Os().OpenFile(path, EFileOpen::WriteExclusive);
        ASSERT_NE(file, nullptr);
        ASSERT_TRUE(file->Write(content.data(), content.size()));
        std::uint64_t position = 0;
        std::uint64_t length = 0;
        ASSERT_TRUE(file->GetPosition(position));
        ASSERT_TRUE(file->GetLength(length));
        EXPECT_EQ(position, content.size());
        EXPECT_EQ(length, content.size());
        EXPECT_TRUE(file->Flush());
    }
    EXPECT_EQ(Read(path), content);

    for (const EFileOpen mode : {EFileOpen::Read, EFileOpen::ReadExclusive}) {
        const auto file = Os().OpenFile(path, mode);
        ASSERT_NE(file, nullptr);
        std::uint64_t length = 0;
        ASSERT_TRUE(file->GetLength(length));
        EXPECT_EQ(length, content.size());
        char buffer[32] = {};
        std::size_t read = 0;
        ASSERT_TRUE(file->Read(buffer, 4, read));
        EXPECT_EQ(read, 4u);
        ASSERT_TRUE(file->Read(buffer + 4, sizeof buffer - 4, read));
        EXPECT_EQ(read, content.size() - 4);
        EXPECT_EQ(std::string(buffer, content.size()), content);
        std::uint64_t position = 0;
        ASSERT_TRUE(file->GetPosition(position));
        EXPECT_EQ(position, content.size());
        ASSERT_TRUE(file->Read(buffer, sizeof buffer, read));
        EXPECT_EQ(read, 0u);
    }
}

TEST_F(PlatformFilesTest, OpenFailsForMissingFileOrFolder) {
    EXPECT_EQ(Os().OpenFile(Path("missing.ini"), EFileOpen::Read), nullptr);
    EXPECT_EQ(Os().OpenFile(Path("missing.ini"), EFileOpen::ReadExclusive), nullptr);
    EXPECT_EQ(Os().OpenFile(Path("missing") + Os().PathSeparator() + "x.lock", EFileOpen::Lock),
              nullptr);
    EXPECT_FALSE(Os().FileExists(Path("missing.ini")));
}

TEST_F(PlatformFilesTest, ExclusiveOpenShutsOutOtherOpeners) {
    struct Case {
        EFileOpen held;
        EFileOpen second;
        bool secondOpens;
    };
    const Case cases[] = {
        {EFileOpen::ReadExclusive, EFileOpen::ReadExclusive, false},
        {EFileOpen::ReadExclusive, EFileOpen::WriteExclusive, false},
        {EFileOpen::WriteExclusive, EFileOpen::ReadExclusive, false},
        {EFileOpen::WriteExclusive, EFileOpen::WriteExclusive, false},
        {EFileOpen::Read, EFileOpen::Read, true},
#ifdef _WIN32
        // Share modes bind every opener; the POSIX locks bind only the exclusive ones.
        {EFileOpen::ReadExclusive, EFileOpen::Read, false},
        {EFileOpen::Read, EFileOpen::ReadExclusive, false},
        {EFileOpen::Read, EFileOpen::WriteExclusive, false},
#endif
    };
    const std::string path = Path("shared.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "held " << static_cast<int>(c.held) << ", second "
                                          << static_cast<int>(c.second));
        Write(path, "content");
        {
            const auto held = Os().OpenFile(path, c.held);
            ASSERT_NE(held, nullptr);
            const auto second = Os().OpenFile(path, c.second);
            EXPECT_EQ(second != nullptr, c.secondOpens);
        }
        // Once the first opener has closed, the second open goes through.
        EXPECT_NE(Os().OpenFile(path, c.second), nullptr);
    }
}

TEST_F(PlatformFilesTest, HeldLockFileIsNeitherTakenNorTruncated) {
    const std::string lock = Path("events.lock");
    {
        const auto held = Os().OpenFile(lock, EFileOpen::Lock);
        ASSERT_NE(held, nullptr);
        ASSERT_TRUE(held->Write("held", 4));
        ASSERT_TRUE(held->Flush());
        EXPECT_EQ(Os().OpenFile(lock, EFileOpen::Lock), nullptr);
    }
    EXPECT_EQ(Read(lock), "held");
}

TEST_F(PlatformFilesTest, StaleLockFileIsTakenAndTruncated) {
    const std::string lock = Path("events.lock");
    Write(lock, "left behind by a crashed sync");
    {
        const auto taken = Os().OpenFile(lock, EFileOpen::Lock);
        ASSERT_NE(taken, nullptr);
        std::uint64_t length = 99;
        ASSERT_TRUE(taken->GetLength(length));
        EXPECT_EQ(length, 0u);
    }
    EXPECT_EQ(fs::file_size(lock), 0u);
    EXPECT_TRUE(Os().DeleteFile(lock));
    EXPECT_FALSE(Os().FileExists(lock));
}

TEST_F(PlatformFilesTest, LastWriteTimeIsUtc) {
    const std::string path = Path("feed.ini");
    CivilTime time;
    EXPECT_EQ(Os().GetLastWriteTimeUtc(path, time), EFileTimeResult::NotFound);

    const long long before = UtcNow();
    Write(path, "[DateEntry 0]\n");
    const long long after = UtcNow();
    ASSERT_EQ(Os().GetLastWriteTimeUtc(path, time), EFileTimeResult::Ok);
    // Tolerance for a second boundary and a coarse file-system clock.
    EXPECT_GE(SecondsOf(time), before - 2);
    EXPECT_LE(SecondsOf(time), after + 2);

    // A known instant comes back in UTC fields, fractions of a second dropped.
    using namespace std::chrono;
    const sys_seconds known = sys_days{2001y / February / 3} + 4h + 5min + 6s;
    fs::last_write_time(path, file_clock::from_sys(known + 700ms));
    ASSERT_EQ(Os().GetLastWriteTimeUtc(path, time), EFileTimeResult::Ok);
    EXPECT_EQ(time.year, 2001);
    EXPECT_EQ(time.month, 2);
    EXPECT_EQ(time.day, 3);
    EXPECT_EQ(time.hour, 4);
    EXPECT_EQ(time.minute, 5);
    EXPECT_EQ(time.second, 6);
}

TEST_F(PlatformFilesTest, TempFilesAreNewEmptyAndDistinct) {
    std::string first;
    std::string second;
    ASSERT_TRUE(Os().CreateTempFile(Folder(), "dat", first));
    ASSERT_TRUE(Os().CreateTempFile(Folder(), "dat", second));
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(Folder())) << path;
        EXPECT_EQ(fs::path(path).filename().string().rfind("dat", 0), 0u) << path;
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_EQ(fs::file_size(path), 0u) << path;
    }
    std::string path;
    EXPECT_FALSE(Os().CreateTempFile(Path("missing"), "dat", path));
}

#ifndef _WIN32
// A temporary file that a process which has ended left behind is removed; one of a running
// process (this one) and a file that is none of the program's stay.
TEST_F(PlatformFilesTest, StaleTempFilesOfEndedProcessesAreRemoved) {
    std::string left;
    ASSERT_EQ(CChildProcess::Run(
                  [this](int out) {
                      std::string path;
                      if (!Os().CreateTempFile(Folder(), "dat", path)) return 1;
                      return write(out, path.data(), path.size()) ==
                                     static_cast<ssize_t>(path.size())
                                 ? 0
                                 : 1;
                  },
                  60, left),
              0);
    ASSERT_TRUE(fs::is_regular_file(left)) << left;
    std::string own;
    ASSERT_TRUE(Os().CreateTempFile(Folder(), "gui", own));
    const std::string foreign = Path("dat-zf1x-abcdef");
    std::ofstream(foreign) << "not ours";

    Os().RemoveStaleTempFiles(Folder());

    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(own));
    EXPECT_TRUE(fs::exists(foreign));
}
#endif

TEST_F(PlatformFilesTest, CopyFileOverwritesTheTarget) {
    const std::string source = Path("source.dat");
    const std::string target = Path("target.dat");
    Write(source, "new");
    Write(target, "older and longer content");
    ASSERT_TRUE(Os().CopyFile(source, target));
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(Read(source), "new");

    EXPECT_FALSE(Os().CopyFile(Path("missing.dat"), target));
    EXPECT_EQ(Read(target), "new");

    Write(source, "newer");
    WriteProtect(target);
    EXPECT_FALSE(Os().CopyFile(source, target));
    EXPECT_EQ(Read(target), "new");
}

TEST_F(PlatformFilesTest, ReplaceFileWithCopyReplacesContent) {
    const std::string source = Path("temp.dat");
    const std::string target = Path("events.dat");
    Write(source, "merged events");
    Write(target, "the old events, longer than the new ones");
    ASSERT_TRUE(Os().ReplaceFileWithCopy(source, target));
    EXPECT_EQ(Read(target), "merged events");
    EXPECT_EQ(Read(source), "merged events");
    EXPECT_EQ(Names(), (std::vector<std::string>{"events.dat", "temp.dat"}));

    // A target that does not exist yet is created.
    const std::string fresh = Path("fresh.dat");
    ASSERT_TRUE(Os().ReplaceFileWithCopy(source, fresh));
    EXPECT_EQ(Read(fresh), "merged events");
    EXPECT_EQ(Names(), (std::vector<std::string>{"events.dat", "fresh.dat", "temp.dat"}));
}

TEST_F(PlatformFilesTest, ReplaceFileWithCopyFailureLeavesTargetAndFolderAlone) {
    const std::string source = Path("temp.dat");
    const std::string target = Path("events.dat");
    Write(source, "merged events");
    Write(target, "original");

    EXPECT_FALSE(Os().ReplaceFileWithCopy(Path("missing.dat"), target));
    EXPECT_EQ(Read(target), "original");
    EXPECT_EQ(Names(), (std::vector<std::string>{"events.dat", "temp.dat"}));

    WriteProtect(target);
    EXPECT_FALSE(Os().ReplaceFileWithCopy(source, target));
    EXPECT_EQ(Read(target), "original");
    EXPECT_EQ(Names(), (std::vector<std::string>{"events.dat", "temp.dat"}));
}

TEST_F(PlatformFilesTest, ReplaceFileWithCopyFromWriteProtectedSource) {
    // The copy must not inherit the source's protection in a way that blocks the move or
    // leaves the sibling behind.
    const std::string source = Path("temp.dat");
    const std::string target = Path("events.dat");
    Write(source, "merged events");
    Write(target, "original");
    WriteProtect(source);
    ASSERT_TRUE(Os().ReplaceFileWithCopy(source, target));
    EXPECT_EQ(Read(target), "merged events");
    EXPECT_EQ(Names(), (std::vector<std::string>{"events.dat", "temp.dat"}));
}

TEST_F(PlatformFilesTest, CreateDeleteAndExists) {
    const std::string folder = Path("ZelvaroFeed");
    EXPECT_FALSE(Os().FileExists(folder));
    ASSERT_TRUE(Os().CreateDirectory(folder));
    EXPECT_TRUE(Os().FileExists(folder));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(Os().CreateDirectory(folder));
    // One level only: a missing parent is not made.
    const std::string nested = Path("a") + Os().PathSeparator() + "b";
    EXPECT_FALSE(Os().CreateDirectory(nested));
    EXPECT_FALSE(fs::exists(Path("a")));

    const std::string file = folder + Os().PathSeparator() + "Settings.ini";
    EXPECT_FALSE(Os().DeleteFile(file));
    Write(file, "[Settings]\n");
    EXPECT_TRUE(Os().FileExists(file));
    EXPECT_TRUE(Os().DeleteFile(file));
    EXPECT_FALSE(Os().FileExists(file));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(PlatformFilesTest, LockPathThatIsNoRegularFileIsRefusedAndLeftAlone) {
    const std::string precious = Path("precious.txt");
    Write(precious, "precious");
    if (CTempFolder::MakeSymbolicLink("precious.txt", Path("events.lock"))) {
        EXPECT_EQ(Os().OpenFile(Path("events.lock"), EFileOpen::Lock), nullptr);
        EXPECT_EQ(Read(precious), "precious") << "the link's target is not cut";
        EXPECT_TRUE(fs::is_symlink(Path("events.lock")));
        // A link to a missing file does not create that file.
        ASSERT_TRUE(CTempFolder::MakeSymbolicLink("nowhere.txt", Path("dangling.lock")));
        EXPECT_EQ(Os().OpenFile(Path("dangling.lock"), EFileOpen::Lock), nullptr);
        EXPECT_FALSE(fs::exists(Path("nowhere.txt")));
    }
    ASSERT_TRUE(fs::create_directory(Path("folder.lock")));
    EXPECT_EQ(Os().OpenFile(Path("folder.lock"), EFileOpen::Lock), nullptr);
    EXPECT_TRUE(fs::is_directory(Path("folder.lock")));
}

TEST_F(PlatformFilesTest, SameFileIsRecognisedHoweverThePathReachesIt) {
    Write(Path("events.dat"), "content");
    Write(Path("copy.dat"), "content");
    fs::create_hard_link(Path("events.dat"), Path("hard.dat"));
    const bool links = CTempFolder::MakeSymbolicLink("events.dat", Path("soft.dat"));
    struct Case {
        std::string a;
        std::string b;
        bool same;
    };
    std::vector<Case> cases = {
        {Path("events.dat"), Path("events.dat"), true},
        {Path("events.dat"), Path("hard.dat"), true},
        {Path("events.dat"), Path("copy.dat"), false},
        {Path("events.dat"), Path("missing.dat"), false},
        {Path("missing.dat"), Path("missing.dat"), false},
        {Path("events.dat"), Folder(), false},
    };
    if (links) cases.push_back({Path("soft.dat"), Path("events.dat"), true});
    for (const Case& c : cases) {
        EXPECT_EQ(Os().IsSameFile(c.a, c.b), c.same) << c.a << " | " << c.b;
        EXPECT_EQ(Os().IsSameFile(c.b, c.a), c.same) << c.b << " | " << c.a;
    }
}

#ifdef _WIN32
// A named pipe and a device where a file belongs: every open and copy refuses them at once.
TEST_F(PlatformFilesTest, PipesAndDevicesAreRefusedWithoutBlocking) {
    std::ostringstream name;
    name << "\\\\.\\pipe\\zf-platform-test-" << ::GetCurrentProcessId();
    const std::string pipe = name.str();
    const HANDLE server = ::CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX,
                                             PIPE_TYPE_BYTE | PIPE_WAIT, 4, 4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const std::string target = Path("target.dat");
    const std::string source = Path("source.dat");
    Write(target, "target");
    Write(source, "source");
    for (const std::string& odd : {pipe, std::string("NUL")}) {
        SCOPED_TRACE(odd);
        for (const EFileOpen mode : {EFileOpen::Read, EFileOpen::ReadExclusive,
                                     EFileOpen::WriteExclusive, EFileOpen::Lock}) {
            EXPECT_EQ(Os().OpenFile(odd, mode), nullptr) << static_cast<int>(mode);
        }
        EXPECT_FALSE(Os().CopyFile(odd, target));
        EXPECT_FALSE(Os().ReplaceFileWithCopy(odd, target));
        EXPECT_FALSE(Os().ReplaceFileWithCopy(source, odd));
    }
    ::CloseHandle(server);
    EXPECT_EQ(Read(target), "target");
}

// The owner, group and access list of a file, as SDDL text ("" when they cannot be read).
std::string SecurityText(const std::string& path) {
    constexpr SECURITY_INFORMATION kWhat =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    ::GetFileSecurityA(path.c_str(), kWhat, nullptr, 0, &needed);
    std::vector<BYTE> descriptor(needed);
    if (needed == 0 ||
        !::GetFileSecurityA(path.c_str(), kWhat, descriptor.data(), needed, &needed)) {
        return "";
    }
    LPSTR text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor.data(), SDDL_REVISION_1,
                                                                kWhat, &text, nullptr)) {
        return "";
    }
    const std::string result = text;
    ::LocalFree(text);
    return result;
}

// The replaced file keeps who owns it and who may read it, as the Linux replace keeps mode and
// owner: a calendar shared read-only with others must not become private (or public) by a sync.
TEST_F(PlatformFilesTest, ReplaceFileWithCopyKeepsTheSecurityDescriptor) {
    const std::string source = Path("temp.dat");
    const std::string target = Path("events.dat");
    Write(source, "merged events");
    Write(target, "original");
    // Only the file's owner and the system may use it: nothing for everyone else, nothing
    // inherited from the folder, unlike the descriptor a new file gets.
    const std::string created = SecurityText(target);
    ASSERT_EQ(created.rfind("O:", 0), 0u) << created;
    const std::string owner = created.substr(2, created.find("G:") - 2);
    const std::string privateList = "D:P(A;;FA;;;SY)(A;;FA;;;" + owner + ")";
    PSECURITY_DESCRIPTOR wanted = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
        privateList.c_str(), SDDL_REVISION_1, &wanted, nullptr));
    const BOOL set = ::SetFileSecurityA(target.c_str(), DACL_SECURITY_INFORMATION, wanted);
    ::LocalFree(wanted);
    ASSERT_TRUE(set);
    const std::string before = SecurityText(target);
    ASSERT_NE(before, "");
    ASSERT_NE(before, SecurityText(source)) << "the test needs a target unlike a new file";

    ASSERT_TRUE(Os().ReplaceFileWithCopy(source, target));
    EXPECT_EQ(Read(target), "merged events");
    EXPECT_EQ(SecurityText(target), before);
    EXPECT_EQ(Names(), (std::vector<std::string>{"events.dat", "temp.dat"}));
}
#endif

#ifndef _WIN32
// The calls that a FIFO, a folder or a device would block or feed with non-file data: each
// runs in a child process, so that one that blocks for good shows as a failure, not a hang.
TEST_F(PlatformFilesTest, FifosFoldersAndDevicesAreRefusedWithoutBlocking) {
    const std::string fifo = Path("pipe.dat");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    ASSERT_TRUE(fs::create_directory(Path("folder.dat")));
    const std::string source = Path("source.dat");
    const std::string target = Path("target.dat");
    Write(source, "source");
    Write(target, "target");

    struct Case {
        const char* what;
        std::function<bool()> call;  // true when the platform accepted the path
    };
    const std::vector<std::string> odd = {fifo, Path("folder.dat"), "/dev/null"};
    std::vector<Case> cases;
    for (const std::string& path : odd) {
        for (const EFileOpen mode :
             {EFileOpen::Read, EFileOpen::ReadExclusive, EFileOpen::WriteExclusive}) {
            cases.push_back(
                {"open", [path, mode] { return Os().OpenFile(path, mode) != nullptr; }});
        }
        cases.push_back({"copy from", [path, target] { return Os().CopyFile(path, target); }});
        cases.push_back(
            {"replace from", [path, target] { return Os().ReplaceFileWithCopy(path, target); }});
    }
    cases.push_back(
        {"lock fifo", [fifo] { return Os().OpenFile(fifo, EFileOpen::Lock) != nullptr; }});
    cases.push_back(
        {"replace fifo", [fifo, source] { return Os().ReplaceFileWithCopy(source, fifo); }});
    cases.push_back({"copy over fifo", [fifo, source] { return Os().CopyFile(source, fifo); }});
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << cases[i].what << " #" << i);
        std::string output;
        const int result =
            CChildProcess::Run([&](int) { return cases[i].call() ? 1 : 0; }, 10, output);
        EXPECT_NE(result, -SIGALRM) << "blocked";
        EXPECT_EQ(result, 0) << "accepted";
    }
    EXPECT_EQ(Read(target), "target");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(PlatformFilesTest, ReplaceThroughALinkUpdatesTheFileItNamesAndKeepsItsOwner) {
    ASSERT_TRUE(fs::create_directory(Path("real")));
    const std::string real = Path("real/events.dat");
    const std::string link = Path("events.dat");
    const std::string source = Path("temp.dat");
    Write(real, "the old events");
    Write(source, "merged events");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(real.c_str(), 4242, 4343), 0);
    }
    ASSERT_TRUE(CTempFolder::MakeSymbolicLink("real/events.dat", link));

    ASSERT_TRUE(Os().ReplaceFileWithCopy(source, link));
    EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
    EXPECT_EQ(Read(real), "merged events");
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4242u);
        EXPECT_EQ(st.st_gid, 4343u);
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"events.dat", "real", "temp.dat"}));
    std::vector<std::string> inReal;
    for (const auto& entry : fs::directory_iterator(Path("real"))) {
        inReal.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(inReal, std::vector<std::string>{"events.dat"});

    // A plain file keeps its owner too.
    if (root) {
        ASSERT_EQ(chown(source.c_str(), 0, 0), 0);
        ASSERT_TRUE(Os().ReplaceFileWithCopy(source, real));
        ASSERT_EQ(stat(real.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 4242u);
        EXPECT_EQ(st.st_gid, 4343u);
    }
}
#endif

}  // namespace
