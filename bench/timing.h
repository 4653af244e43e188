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

// The page faults the process has taken so far (on Linux minor and major together).
inline uint64_t PageFaults()
{
#if defined(_WIN32)
    // Under Wine the system keeps no count; the Linux process's own (minor and major faults, the
    // 10th and 12th fields of its stat line) is read through the drive that maps the root.
    if (FILE* stat = std::fopen("Z:\\proc\\self\\stat", "r")) {
        char line[1024] = {};
        const size_t length = std::fread(line, 1, sizeof line - 1, stat);
        std::fclose(stat);
        line[length] = 0;
        // The command name in parentheses may hold blanks: the fields are counted after its end.
        if (const char* p = std::strrchr(line, ')')) {
            unsigned long long minor = 0, major = 0;
            if (std::sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %llu %*u %llu", &minor, &major) == 2)
                return minor + major;
        }
    }
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
