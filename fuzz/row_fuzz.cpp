// libFuzzer target: any bytes as an orvantis-cli batch --row text, then the sweep of its row;
// CheckRowInput says what must hold.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size)
{
    AbortIfBroken(CheckRowInput(std::string_view(reinterpret_cast<const char*>(Data), Size)));
    return 0;
}
