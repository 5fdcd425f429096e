#include "fuzz/paramsfuzz.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    if (!ParamsFuzz::oneInput(data, size))
        std::abort();
    return 0;
}
