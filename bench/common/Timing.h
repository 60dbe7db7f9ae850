// Wall time of repeated work, as the benchmarks report it: the median shows what a typical run
// costs, the fastest run is the one least disturbed by other work on the machine.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

struct Timing {
    double median = 0, best = 0;  // milliseconds
};

inline Timing Measure(int repetitions, const std::function<void()>& work)
{
    std::vector<double> ms;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}
