// The libFuzzer entry of one target; CMake names it in KORVANT_FUZZ_TARGET.
#include "fuzz/fuzztargets.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (!FuzzTargets::KORVANT_FUZZ_TARGET(data, size))
        std::abort();
    return 0;
}
