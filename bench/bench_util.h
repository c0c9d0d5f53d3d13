#pragma once
// Timing helpers for the benchmarks: medians of repeated runs in microseconds.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

namespace bench {

template <typename Body>
double MedianMicroseconds(int runs, Body body) {
    std::vector<double> samples;
    samples.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        samples.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
    }
    std::nth_element(samples.begin(), samples.begin() + runs / 2, samples.end());
    return samples[runs / 2];
}

// Times two bodies in alternation, so that both see the same machine state; returns the
// medians of the first and the second.
template <typename First, typename Second>
std::pair<double, double> InterleavedMediansMicroseconds(int runs, First first, Second second) {
    std::vector<double> a;
    std::vector<double> b;
    for (int i = 0; i < runs; ++i) {
        a.push_back(MedianMicroseconds(1, first));
        b.push_back(MedianMicroseconds(1, second));
    }
    std::nth_element(a.begin(), a.begin() + runs / 2, a.end());
    std::nth_element(b.begin(), b.begin() + runs / 2, b.end());
    return {a[runs / 2], b[runs / 2]};
}

inline void PrintRatio(const char* name, double measured, const char* baselineName, double baseline,
                       double goal) {
    const double ratio = measured / baseline;
    std::printf("%-40s %10.1f us\n%-40s %10.1f us\nratio %.2fx (goal: within %.2fx) %s\n", name,
                measured, baselineName, baseline, ratio, goal, ratio <= goal ? "ok" : "MISSED");
}

}  // namespace bench
