// The failing writes for another process, loaded with LD_PRELOAD and armed
// from QUILMORA_FAIL: "write:N" (the disk takes N bytes more), "sync" or
// "commit".

#include "tests/support/FailingWrites.h"

#include <cstdlib>
#include <cstring>

namespace {

[[gnu::constructor]] void ArmFromEnvironment()
{
    const char* how = std::getenv("QUILMORA_FAIL");
    if (!how)
        return;
    if (std::strncmp(how, "write:", 6) == 0)
        FailingWrites::FailWritesAfter(std::atoll(how + 6));
    else if (std::strcmp(how, "sync") == 0)
        FailingWrites::FailSync();
    else if (std::strcmp(how, "commit") == 0)
        FailingWrites::FailCommit();
}

}  // namespace
