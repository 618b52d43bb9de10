// Cost of the archive's buffered primitives against plain copies of the same bytes: 1,000,000
// strings, each followed by an int32, written to and read from memory.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "platform/MemoryFile.h"

namespace {

constexpr int kRecords = 1000000;

// Strings of 0 to 47 characters, the range of typical stored texts; all take a 1-byte prefix.
const std::vector<std::string>& Strings() {
    static const std::vector<std::string> strings = [] {
        std::vector<std::string> result;
        result.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            result.emplace_back(static_cast<std::size_t>(i % 48), static_cast<char>('a' + i % 26));
        }
        return result;
    }();
    return strings;
}

std::vector<std::uint8_t> ArchiveBytes() {
    CMemoryFile file;
    CArchive ar(file, CArchive::store);
    const auto& strings = Strings();
    for (int i = 0; i < kRecords; ++i) {
        ar.WriteString(strings[static_cast<std::size_t>(i)]);
        ar.WriteInt32(i);
    }
    ar.Close();
    return file.GetData();
}

const std::vector<std::uint8_t>& Stream() {
    static const std::vector<std::uint8_t> bytes = ArchiveBytes();
    return bytes;
}

void BM_ArchiveWrite(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ArchiveBytes().size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Stream().size()));
}

void BM_PlainWrite(benchmark::State& state) {
    const auto& strings = Strings();
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        for (int i = 0; i < kRecords; ++i) {
            const std::string& s = strings[static_cast<std::size_t>(i)];
            const std::size_t at = out.size();
            out.resize(at + 1 + s.size() + 4);
            out[at] = static_cast<std::uint8_t>(s.size());
            std::memcpy(out.data() + at + 1, s.data(), s.size());
            std::memcpy(out.data() + at + 1 + s.size(), &i, 4);  // little-endian host
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Stream().size()));
}

void BM_ArchiveRead(benchmark::State& state) {
    const auto& bytes = Stream();
    for (auto _ : state) {
        CMemoryFile file(bytes);
        CArchive ar(file, CArchive::load);
        std::int64_t sum = 0;
        for (int i = 0; i < kRecords; ++i) {
            const std::string s = ar.ReadString();
            sum += static_cast<std::int64_t>(s.size()) + ar.ReadInt32();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

void BM_PlainRead(benchmark::State& state) {
    const auto& bytes = Stream();
    for (auto _ : state) {
        // The archive reads from its own copy of the file; so does this.
        const std::vector<std::uint8_t> file(bytes);
        std::size_t at = 0;
        std::int64_t sum = 0;
        for (int i = 0; i < kRecords; ++i) {
            const std::size_t length = file[at++];
            const std::string s(reinterpret_cast<const char*>(file.data() + at), length);
            at += length;
            std::int32_t value = 0;
            std::memcpy(&value, file.data() + at, 4);
            at += 4;
            sum += static_cast<std::int64_t>(s.size()) + value;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

BENCHMARK(BM_ArchiveWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchiveRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

}  // namespace
