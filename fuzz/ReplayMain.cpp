// Runs a fuzz target once over every file of the corpus folders given as arguments (or over
// single files), without libFuzzer: the regression replay of the test build. A broken
// property aborts, so the test fails with the message of the check and the file named last.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return 1;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s\n", path.string().c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg)) {
            if (RunFile(arg) != 0) return 1;
            ++files;
            continue;
        }
        for (const auto& item : std::filesystem::directory_iterator(arg)) {
            if (!item.is_regular_file()) continue;
            if (RunFile(item.path()) != 0) return 1;
            ++files;
        }
    }
    std::printf("%d inputs replayed\n", files);
    // An empty corpus proves nothing: a wrong folder must not pass as a clean replay.
    return files > 0 ? 0 : 1;
}
