// libFuzzer entry point of one harness; FUZZ_HARNESS names the harness body (fuzz_common.h).
#include "fuzz_common.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The programs' progress lines would drown the fuzzer's own report.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FUZZ_HARNESS(data, size);
    return 0;
}
