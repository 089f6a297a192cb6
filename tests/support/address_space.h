// Running with little address space, to show that work takes memory by its windows and not by
// the sizes of its files. The sanitizers reserve far more address space for themselves than such
// a limit leaves, so a test that sets one skips when they run.
#pragma once

#include <sys/resource.h>

#include <fstream>
#include <string>

namespace vorne::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitizersRun = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitizersRun = true;
#else
inline constexpr bool kSanitizersRun = false;
#endif
#else
inline constexpr bool kSanitizersRun = false;
#endif

// Limits the process (a death test's child) to the address space it has mapped now and `more`
// bytes besides.
inline void LimitAddressSpace(unsigned long long more) {
    std::ifstream status("/proc/self/status");
    std::string line;
    unsigned long long mappedKiB = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0) mappedKiB = std::stoull(line.substr(7));
    }
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = static_cast<rlim_t>((mappedKiB << 10) + more);
    setrlimit(RLIMIT_AS, &limit);
}

}  // namespace vorne::test
