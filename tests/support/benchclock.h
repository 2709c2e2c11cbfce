// The benchmarks' clocks: time on the wall, and this thread's processor time, which other
// programs sharing the machine do not count, so that ratios hold on a busy machine too.
#ifndef TESTS_BENCHCLOCK_H
#define TESTS_BENCHCLOCK_H

#include <chrono>
#include <ctime>

using Clock = std::chrono::steady_clock;

// Nanoseconds on the wall since `start`.
inline double elapsed_ns(Clock::time_point start)
{
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// This thread's processor time in nanoseconds.
inline double cpu_ns()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

#endif
