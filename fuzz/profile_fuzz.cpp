// libFuzzer target: any bytes as a profile (ini) file, then the batch reporting options read from
// it; CheckProfileInput says what must hold.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size)
{
    AbortIfBroken(CheckProfileInput(std::string_view(reinterpret_cast<const char*>(Data), Size)));
    return 0;
}
