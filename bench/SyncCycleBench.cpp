// One whole sync cycle on an event file of 100,000 date entries with a feed of 1,000 entries
// (500 updates, 500 new, 100 removals), beside two plain copies of the same event file.
//
// The cycle's peak memory is the benchmark's own heap accounting: every block taken through
// operator new counts with the size that malloc gave it (malloc_usable_size) plus its 8-byte
// chunk header, from the start of the cycle; BM_SyncCycle reports the highest such sum over
// its iterations, in MB and as a multiple of the event file's size.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>

#include "app/FeedController.h"
#include "app/FeedView.h"
#include "archive/Archive.h"
#include "platform/Platform.h"
#include "store/EventData.h"

namespace {

// Single-threaded: the benchmark runs its iterations on one thread.
std::size_t g_heapBytes = 0;
std::size_t g_heapPeak = 0;

std::size_t ChunkBytes(void* block) {
    return malloc_usable_size(block) + sizeof(std::size_t);
}

void* Allocate(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    g_heapBytes += ChunkBytes(block);
    g_heapPeak = std::max(g_heapPeak, g_heapBytes);
    return block;
}

void Release(void* block) {
    if (block == nullptr) return;
    g_heapBytes -= ChunkBytes(block);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    Release(block);
}
void operator delete[](void* block) noexcept {
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    Release(block);
}

namespace {

constexpr int kStoredEntries = 100000;
constexpr int kUpdates = 500;
constexpr int kNewEntries = 500;
constexpr int kRemovals = 100;

std::string Guid(int number) {
    char text[39];
    std::snprintf(text, sizeof text, "{00000000-0000-0000-0000-%012X}", number);
    return text;
}

class CSilentView : public CFeedView {
public:
    std::string GetControlText(EFeedControl) override { return std::string(); }
    void SetControlText(EFeedControl control, const std::string& text) override {
        if (control == EFeedControl::Status) m_status = text;
    }
    bool IsControlChecked(EFeedControl) override { return false; }
    void SetControlChecked(EFeedControl, bool) override {}
    void EnableControl(EFeedControl, bool) override {}
    unsigned int StartTimer(unsigned int) override { return 1; }
    void StopTimer(unsigned int) override {}

    std::string m_status;
};

// The files, made once per process: the pristine event file, the working event file the
// cycle changes, and the feed.
struct CBenchFiles {
    CBenchFiles() {
        namespace fs = std::filesystem;
        folder =
            (fs::temp_directory_path() / ("zf-bench-" + std::to_string(GetStamp()))).string() + "/";
        fs::create_directories(folder);
        master = folder + "master.dat";
        events = folder + "events.dat";
        feed = folder + "feed.txt";

        CEventData data;
        for (int i = 0; i < kStoredEntries; ++i) {
            CDateEntry entry;
            entry.Properties.GUID = entry.MakeText(Guid(i));
            entry.Properties.Description = entry.MakeText("Stored entry " + std::to_string(i));
            entry.Properties.Category = entry.MakeText("Bench");
            entry.Properties.StartDate = CDateTime(2024, 1, 1 + i % 28, 9, 0, 0);
            entry.Properties.EndDate = CDateTime(2024, 1, 1 + i % 28, 10, 0, 0);
            data.DateEntries2.Add(std::move(entry));
        }
        const std::unique_ptr<CFile> file =
            CPlatform::Default().OpenFile(master, EFileOpen::WriteExclusive);
        CArchive ar(*file, CArchive::store);
        data.Save(ar);

        std::ofstream out(feed, std::ios::binary);
        int section = 0;
        for (int i = 0; i < kUpdates; ++i) {
            out << "[DateEntry " << section++ << "]\nGUID=" << Guid(i * (kStoredEntries / kUpdates))
                << "\nDescription=Updated " << i << "\nStartDate=2024 02 01 09 00 00\n"
                << "EndDate=2024 02 01 10 00 00\n";
        }
        for (int i = 0; i < kNewEntries; ++i) {
            out << "[DateEntry " << section++ << "]\nGUID=" << Guid(kStoredEntries + i)
                << "\nDescription=New " << i << "\n";
        }
        for (int i = 0; i < kRemovals; ++i) {
            out << "[Remove " << i << "]\nGUID=" << Guid(i * (kStoredEntries / kRemovals) + 1)
                << "\n";
        }
    }
    ~CBenchFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    static int GetStamp() {
        return static_cast<int>(std::chrono::steady_clock::now().time_since_epoch().count() %
                                1000000000);
    }

    std::string folder;
    std::string master;
    std::string events;
    std::string feed;
};

CBenchFiles& Files() {
    static CBenchFiles files;
    return files;
}

void BM_SyncCycle(benchmark::State& state) {
    CBenchFiles& files = Files();
    CPlatform& platform = CPlatform::Default();
    CSilentView view;
    CFeedController controller(view, platform);
    controller.m_Settings.SharedFilePath = files.events;
    controller.m_Settings.FeedFilePath = files.feed;
    std::size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        platform.CopyFile(files.master, files.events);
        controller.m_Settings.LastFeedFileTime = CDateTime::FromStored(0, 0);
        const std::size_t before = g_heapBytes;
        g_heapPeak = before;
        state.ResumeTiming();
        controller.RunSyncCycle();
        peak = std::max(peak, g_heapPeak - before);
        if (view.m_status != CFeedController::kStatusSyncSuccessful) {
            state.SkipWithError(view.m_status.c_str());
            break;
        }
    }
    const double fileBytes = static_cast<double>(std::filesystem::file_size(files.master));
    state.counters["file_MB"] = fileBytes / 1e6;
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_per_file"] = static_cast<double>(peak) / fileBytes;
}

void BM_TwoPlainCopies(benchmark::State& state) {
    CBenchFiles& files = Files();
    CPlatform& platform = CPlatform::Default();
    const std::string first = files.folder + "copy1.dat";
    const std::string second = files.folder + "copy2.dat";
    for (auto _ : state) {
        if (!platform.CopyFile(files.master, first) || !platform.CopyFile(files.master, second)) {
            state.SkipWithError("copy failed");
            break;
        }
    }
}

BENCHMARK(BM_TwoPlainCopies)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SyncCycle)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
