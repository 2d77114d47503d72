#pragma once
// The median time of a piece of work over several runs, in milliseconds; `before`, when given,
// runs ahead of each run untimed (an edit for the save that follows, say).
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double MedianMs(int runs, const std::function<void()>& work,
                       const std::function<void()>& before = nullptr) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (before) before();
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
