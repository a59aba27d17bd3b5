#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include "platform/Platform.h"

namespace {

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Sanitizers reserve terabytes of address space: an address-space limit
// cannot be set under them.
[[noreturn]] void CheckUnderLimit() {
    FILE* f = fopen("/proc/self/statm", "r");
    unsigned long long pages = 0;
    if (!f || fscanf(f, "%llu", &pages) != 1) _exit(2);
    fclose(f);
    uint64_t used = pages * (uint64_t)sysconf(_SC_PAGESIZE);
    uint64_t room = (4ULL << 30) + (256ULL << 20);  // 4.25 GiB
    struct rlimit rl = {(rlim_t)(used + room), (rlim_t)(used + room)};
    if (setrlimit(RLIMIT_AS, &rl) != 0) _exit(3);
    uint64_t a = plat::AvailableMemory();
    // A 32-bit wrap would give about 256 MiB.
    fprintf(stderr, "available %llu\n", (unsigned long long)a);
    _exit(a > (4ULL << 30) && a <= room ? 0 : 1);
}

TEST(MemoryDeathTest, AddressSpaceLimitAboveFourGigabytesDoesNotWrap) {
    ASSERT_GT(plat::AvailableMemory(), 0u);
    if (plat::AvailableMemory() < (5ULL << 30)) GTEST_SKIP() << "needs more than 5 GiB available";
    EXPECT_EXIT(CheckUnderLimit(), testing::ExitedWithCode(0), "available");
}
#endif

}  // namespace
