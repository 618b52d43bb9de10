// Event file load, and the round trip: whatever loads is saved, and the saved bytes load again
// and save to exactly the same bytes.

#include <cstdint>
#include <vector>

#include "EventBytes.h"
#include "FuzzCheck.h"
#include "FuzzPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CFuzzPlatform platform;
    CEventData loaded;
    if (!LoadEventBytes(std::vector<std::uint8_t>(data, data + size), loaded)) return 0;

    const std::vector<std::uint8_t> saved = SaveEventBytes(loaded);
    CEventData reloaded;
    FUZZ_CHECK(LoadEventBytes(saved, reloaded));
    FUZZ_CHECK(reloaded.DateEntries1.GetSize() == loaded.DateEntries1.GetSize());
    FUZZ_CHECK(reloaded.DateEntries2.GetSize() == loaded.DateEntries2.GetSize());
    FUZZ_CHECK(reloaded.TodoEntries.GetSize() == loaded.TodoEntries.GetSize());
    FUZZ_CHECK(SaveEventBytes(reloaded) == saved);
    return 0;
}
