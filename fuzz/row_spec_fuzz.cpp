// libFuzzer target: any bytes as an orvantis-cli batch --row spec, then the sweep of its row;
// CheckRowSpecInput says what must hold.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size)
{
    AbortIfBroken(CheckRowSpecInput(std::string_view(reinterpret_cast<const char*>(Data), Size)));
    return 0;
}
