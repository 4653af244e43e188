// Timing helpers of the benchmarks: the seconds a piece of work takes, the page faults it causes (the
// price of fresh memory, which a figure hides unless it is printed beside it), and the median of a set.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#if defined(_WIN32)
#include "core/win32.h"
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace bench {

#if defined(_WIN32) && defined(__x86_64__)
// Under Wine the system keeps no fault count, and a file such as /proc/self/stat is opened by the
// Wine server, so it describes that process. The program itself is a Linux process, though: its own
// count (minor and major faults of getrusage) comes from the kernel's call, made only where the
// loader says it is Wine, since a real Windows kernel numbers its calls otherwise.
inline bool UnderWine()
{
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

inline bool LinuxFaults(uint64_t& faults)
{
    // struct rusage: two timevals, then maxrss, ixrss, idrss, isrss, minflt, majflt, ... (longs).
    long long usage[18] = {};
    long result = 98;   // getrusage
    asm volatile("syscall" : "+a"(result) : "D"(0L /* RUSAGE_SELF */), "S"(usage) : "rcx", "r11", "memory");
    if (result != 0)
        return false;
    faults = uint64_t(usage[8]) + uint64_t(usage[9]);
    return true;
}
#endif

// The page faults the process has taken so far (on Linux minor and major together).
inline uint64_t PageFaults()
{
#if defined(_WIN32)
#if defined(__x86_64__)
    uint64_t faults = 0;
    if (UnderWine() && LinuxFaults(faults))
        return faults;
#endif
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PageFaultCount : 0;
#else
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return uint64_t(usage.ru_minflt) + uint64_t(usage.ru_majflt);
#endif
}

inline double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The seconds of the work; its page faults are added to faults.
inline double Seconds(const std::function<void()>& work, double& faults)
{
    const uint64_t before = PageFaults();
    const double seconds = Seconds(work);
    faults += double(PageFaults() - before);
    return seconds;
}

// The middle value; for an even count, the mean of the two middle ones.
inline double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace bench
