// Reading a feed of 100,000 date entry sections with all 46 keys: the INI document's Load
// beside libinih parsing the same file, and the whole feed read into date entries.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_map>

#include "feed/FeedReader.h"
#include "ini/IniDocument.h"
#include "platform/Platform.h"

#ifdef ZF_HAVE_INIH
#include <ini.h>
#endif

namespace {

constexpr int kSections = 100000;

// Values as a feed writer produces them: a GUID, short texts, a sentence, weekly and
// single dates, escaped paths, and every number key.
std::string MakeFeed() {
    std::string text;
    text.reserve(static_cast<std::size_t>(kSections) * 1100);
    char line[256];
    for (int i = 0; i < kSections; ++i) {
        const int day = 1 + i % 28;
        const int month = 1 + i % 12;
        const int hour = 8 + i % 10;
        std::snprintf(line, sizeof line, "[DateEntry %d]\r\nGUID={%08X-1234-4ABC-8DEF-%012X}\r\n",
                      i, static_cast<unsigned>(i), static_cast<unsigned>(i * 7));
        text += line;
        text += "StorageType=2\r\nCategory=Work\r\n";
        std::snprintf(line, sizeof line,
                      "Description=Project review meeting, room %d\r\n"
                      "Notes=Bring the agenda\\nand the minutes of meeting %d\r\n",
                      i % 40, i);
        text += line;
        text += "Display=0\r\nBgColor=224,0,0\r\nTextColor=0,0,0\r\nIcon=meeting\r\n";
        std::snprintf(
            line, sizeof line,
            "StartDate=2025 %02d %02d %02d 00 00\r\nEndDate=2025 %02d %02d %02d 30 00\r\n", month,
            day, hour, month, day, hour);
        text += line;
        text += "ShowStartTime=1\r\nShowEnd=1\r\n";
        std::snprintf(line, sizeof line, "Repeat=%d\r\n", i % 2);
        text += line;
        text +=
            "RepeatRate=1\r\nRepeatUnit=3\r\nRepeatWeekdayCount=0\r\nRepeatWeekday=0\r\n"
            "RepeatEnd=0\r\nRepeatEndCount=1\r\nRepeatEndDate=2025 12 31 00 00 00\r\n"
            "CondTimeEnable=0\r\nCondStartTime=0001 01 01 08 00 00\r\n"
            "CondEndTime=0001 01 01 17 00 00\r\nCondWeekdays=127\r\nCondMonth=4095\r\n"
            "Forewarn=1\r\nForewarnSpan=15\r\nForewarnUnit=0\r\nForewarnSilent=0\r\n"
            "SnoozeSpan=5\r\nSnoozeUnit=1\r\nSnoozeType=0\r\nOverdueAction=0\r\n"
            "ExecuteSpan=1\r\nExecuteUnit=1\r\nAction=0\r\nSound=1\r\n"
            "SoundFile=C:\\\\Windows\\\\Media\\\\chimes.wav\r\nSoundRepeatEndless=0\r\n"
            "SoundRepeatCount=3\r\nDocumentFile=C:\\\\Users\\\\me\\\\Documents\\\\agenda.docx\r\n"
            "AckOpen=0\r\nCmdLine=\r\nParameter=\r\nAckExecute=0\r\n\r\n";
    }
    return text;
}

// The feed, written once per process into the temporary folder and removed at exit.
class CFeedFile {
public:
    CFeedFile() {
        std::string folder;
        CPlatform::Current().GetTempFolder(folder);
        // Named per process, so that benchmarks run side by side never share the file.
        m_path = folder + "zf-bench-feed-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                 ".ini";
        const std::string text = MakeFeed();
        std::unique_ptr<CFile> out =
            CPlatform::Current().OpenFile(m_path, EFileOpen::WriteExclusive);
        if (!out || !out->Write(text.data(), text.size())) std::abort();
    }
    CFeedFile(const CFeedFile&) = delete;
    CFeedFile& operator=(const CFeedFile&) = delete;
    ~CFeedFile() { CPlatform::Current().DeleteFile(m_path); }

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

const std::string& FeedPath() {
    static const CFeedFile file;
    return file.Path();
}

void SetBytes(benchmark::State& state) {
    std::unique_ptr<CFile> in = CPlatform::Current().OpenFile(FeedPath(), EFileOpen::Read);
    std::uint64_t length = 0;
    if (in) in->GetLength(length);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}

void BM_IniDocumentLoad(benchmark::State& state) {
    const std::string& path = FeedPath();
    for (auto _ : state) {
        CIniDocument document;
        if (!document.Load(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(document.HasSection("DateEntry 99999"));
    }
    SetBytes(state);
}
BENCHMARK(BM_IniDocumentLoad)->Unit(benchmark::kMillisecond)->MinTime(3.0);

#ifdef ZF_HAVE_INIH
// inih only splits the text and hands each pair to a callback that keeps nothing.
int CountPair(void* user, const char*, const char*, const char*) {
    ++*static_cast<long*>(user);
    return 1;
}

void BM_InihParse(benchmark::State& state) {
    const std::string& path = FeedPath();
    for (auto _ : state) {
        long pairs = 0;
        if (ini_parse(path.c_str(), &CountPair, &pairs) != 0) state.SkipWithError("inih failed");
        benchmark::DoNotOptimize(pairs);
    }
    SetBytes(state);
}
BENCHMARK(BM_InihParse)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// inih with a callback that builds what the document builds: a map of sections of maps.
int StorePair(void* user, const char* section, const char* name, const char* value) {
    auto& sections = *static_cast<
        std::unordered_map<std::string, std::unordered_map<std::string, std::string>>*>(user);
    sections[section][name] = value;
    return 1;
}

void BM_InihParseIntoMaps(benchmark::State& state) {
    const std::string& path = FeedPath();
    for (auto _ : state) {
        std::unordered_map<std::string, std::unordered_map<std::string, std::string>> sections;
        if (ini_parse(path.c_str(), &StorePair, &sections) != 0) {
            state.SkipWithError("inih failed");
        }
        benchmark::DoNotOptimize(sections.size());
    }
    SetBytes(state);
}
BENCHMARK(BM_InihParseIntoMaps)->Unit(benchmark::kMillisecond)->MinTime(3.0);
#endif

void BM_ReadFeed(benchmark::State& state) {
    const std::string& path = FeedPath();
    for (auto _ : state) {
        CDateEntryArray entries;
        CStringArray removeGuids;
        if (CFeedReader::ReadFeed(path, entries, removeGuids) != 0) {
            state.SkipWithError("read failed");
        }
        if (entries.GetSize() != kSections) state.SkipWithError("sections missing");
        benchmark::DoNotOptimize(entries.GetSize());
    }
    SetBytes(state);
}
BENCHMARK(BM_ReadFeed)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
