// Loading and saving a large event file through the archive, beside a plain byte copy of the
// same file through the same platform file layer.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "platform/Platform.h"
#include "store/EventData.h"

namespace {

constexpr int kDateEntries = 100000;

// Named per process, so that benchmarks run side by side never share or delete each
// other's files.
std::string Path(const char* name) {
    static const std::string stamp =
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string folder;
    CPlatform::Current().GetTempFolder(folder);
    return folder + stamp + "-" + name;
}

// Field sizes of a typical calendar: short category and icon, a sentence of description, a
// few lines of notes, a sound and a document path; a few reminder items per entry.
CEventData MakeData() {
    CEventData data;
    data.DateEntries1.EnsureCapacity(kDateEntries / 10);
    data.DateEntries2.EnsureCapacity(kDateEntries - kDateEntries / 10);
    const CDateTime base(2024, 1, 1, 9, 0, 0);
    for (int i = 0; i < kDateEntries; ++i) {
        CDateEntry e;
        DateEntryProperties& p = e.Properties;
        p.StorageType = 1;
        p.Category = e.MakeText("Work " + std::to_string(i % 12));
        p.Description =
            e.MakeText("Project review meeting with the team, room " + std::to_string(i % 40));
        p.Notes = e.MakeText(std::string(120, 'n') + std::to_string(i));
        p.Icon = e.MakeText("meeting.ico");
        p.StartDate = base + CDateTimeSpan(i % 365, i % 10, 0, 0);
        p.EndDate = p.StartDate + CDateTimeSpan(0, 1, 30, 0);
        p.Repeat = i % 2;
        p.RepeatRate = 1;
        p.RepeatUnit = 2;
        p.SoundFile = e.MakeText("C:\\Windows\\Media\\chimes.wav");
        if (i % 3 == 0) p.DocumentFile = e.MakeText("C:\\Users\\me\\Documents\\agenda.docx");
        e.LastCheckTime = base + CDateTimeSpan(200, 0, 0, 0);
        e.DueOccurrences.Add(p.StartDate);
        e.AcknowledgedOccurrences.Add(p.StartDate + CDateTimeSpan(-7, 0, 0, 0));
        e.SnoozedOccurrences.Add(p.StartDate + CDateTimeSpan(7, 0, 0, 0));
        e.SnoozeUntil.Add(p.StartDate + CDateTimeSpan(7, 0, 5, 0));
        e.DroppedOccurrences.Add(p.StartDate + CDateTimeSpan(14, 0, 0, 0));
        e.DroppedOccurrences.Add(p.StartDate + CDateTimeSpan(21, 0, 0, 0));
        (i % 10 == 0 ? data.DateEntries1 : data.DateEntries2).Add(std::move(e));
    }
    for (int i = 0; i < 100; ++i) {
        CTodoEntry t;
        t.Text1 = "Buy supplies " + std::to_string(i);
        data.TodoEntries.Add(t);
    }
    return data;
}

// The benchmark's input file, written once per process and deleted at exit.
class CInputFile {
public:
    CInputFile() : m_path(Path("zf-bench-events.dat")) {
        std::unique_ptr<CFile> file =
            CPlatform::Current().OpenFile(m_path, EFileOpen::WriteExclusive);
        CArchive ar(*file, CArchive::store);
        MakeData().Save(ar);
    }
    ~CInputFile() { CPlatform::Current().DeleteFile(m_path); }
    const std::string& GetPath() const { return m_path; }

private:
    std::string m_path;
};

const std::string& InputPath() {
    static const CInputFile input;
    return input.GetPath();
}

std::uint64_t InputSize() {
    std::uint64_t length = 0;
    CPlatform::Current().OpenFile(InputPath(), EFileOpen::Read)->GetLength(length);
    return length;
}

// The buffer is made once, as a copying program keeps its buffer: a block made anew in each
// iteration would be faulted in again or not depending on what the heap held before, which
// is the setup's doing, not the copy's.
void BM_PlainCopy(benchmark::State& state) {
    InputPath();  // made before timing
    const std::string out = Path("zf-bench-copy.dat");
    std::vector<std::uint8_t> bytes(InputSize());
    for (auto _ : state) {
        std::unique_ptr<CFile> in = CPlatform::Current().OpenFile(InputPath(), EFileOpen::Read);
        std::uint64_t length = 0;
        in->GetLength(length);
        bytes.resize(length);
        std::size_t read = 0;
        in->Read(bytes.data(), bytes.size(), read);
        std::unique_ptr<CFile> target =
            CPlatform::Current().OpenFile(out, EFileOpen::WriteExclusive);
        target->Write(bytes.data(), read);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * InputSize()));
    CPlatform::Current().DeleteFile(out);
}

void BM_LoadAndSave(benchmark::State& state) {
    InputPath();
    const std::string out = Path("zf-bench-saved.dat");
    for (auto _ : state) {
        CEventData data;
        {
            std::unique_ptr<CFile> in = CPlatform::Current().OpenFile(InputPath(), EFileOpen::Read);
            CArchive ar(*in, CArchive::load);
            data.Load(ar);
        }
        std::unique_ptr<CFile> target =
            CPlatform::Current().OpenFile(out, EFileOpen::WriteExclusive);
        CArchive ar(*target, CArchive::store);
        data.Save(ar);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * InputSize()));
    CPlatform::Current().DeleteFile(out);
}

// The two halves alone, to show where the time of BM_LoadAndSave goes.
void BM_Load(benchmark::State& state) {
    InputPath();
    for (auto _ : state) {
        CEventData data;
        std::unique_ptr<CFile> in = CPlatform::Current().OpenFile(InputPath(), EFileOpen::Read);
        CArchive ar(*in, CArchive::load);
        data.Load(ar);
        benchmark::DoNotOptimize(data.DateEntries2.GetSize());
    }
}

void BM_Save(benchmark::State& state) {
    CEventData data;
    {
        std::unique_ptr<CFile> in = CPlatform::Current().OpenFile(InputPath(), EFileOpen::Read);
        CArchive ar(*in, CArchive::load);
        data.Load(ar);
    }
    const std::string out = Path("zf-bench-saved.dat");
    for (auto _ : state) {
        std::unique_ptr<CFile> target =
            CPlatform::Current().OpenFile(out, EFileOpen::WriteExclusive);
        CArchive ar(*target, CArchive::store);
        data.Save(ar);
    }
    CPlatform::Current().DeleteFile(out);
}

}  // namespace

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
