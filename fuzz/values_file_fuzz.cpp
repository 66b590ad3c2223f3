// libFuzzer target: any bytes as a parameter values file (batch/ParamSet.h); CheckValuesFileInput
// says what must hold.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/ReaderChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, std::size_t Size)
{
    AbortIfBroken(CheckValuesFileInput(std::string_view(reinterpret_cast<const char*>(Data), Size)));
    return 0;
}
