// A small timing harness for the benchmarks that run on every build: the
// Windows toolchain has no Google Benchmark. A figure is the median, over a
// few rounds, of the wall time per iteration of a batch whose iteration
// count is calibrated to last a set time.
#ifndef CTCOMMON_BENCH_TIMING_H
#define CTCOMMON_BENCH_TIMING_H

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

namespace bench {

// The compiler must assume that the memory at p is read here, and that any
// memory may change: the work that produced it stays, and nothing read in
// the loop can be hoisted out of it.
inline void Escape(const void *p) { asm volatile("" : : "g"(p) : "memory"); }

template <class T> inline void Keep(const T &value) { Escape(&value); }

struct Timing {
    double d_median_ns; // per iteration, the figure
    double d_min_ns, d_max_ns;
    std::uint64_t n_iterations; // per round
};

// Runs fn in batches: first growing ones until a batch lasts d_batch_ms
// (they also warm the caches), then n_rounds batches of that count.
template <class Fn> Timing Time(Fn &&fn, int n_rounds, double d_batch_ms) {
    using Clock = std::chrono::steady_clock;
    auto batch_ns = [&fn](std::uint64_t n) {
        const Clock::time_point o_start = Clock::now();
        for (std::uint64_t i = 0; i < n; ++i)
            fn();
        return std::chrono::duration<double, std::nano>(Clock::now() - o_start).count();
    };
    const double d_target_ns = d_batch_ms * 1e6;
    std::uint64_t n = 1;
    for (double d_ns = batch_ns(n); d_ns < d_target_ns; d_ns = batch_ns(n)) {
        // Aim a little beyond the target, but grow at most tenfold: a very
        // short batch's time says little.
        const double d_scale = d_ns > 0 ? std::min(10.0, 1.2 * d_target_ns / d_ns) : 10.0;
        n = std::max(n + 1, static_cast<std::uint64_t>(static_cast<double>(n) * d_scale));
    }
    std::vector<double> ad_ns;
    for (int r = 0; r < n_rounds; ++r)
        ad_ns.push_back(batch_ns(n) / static_cast<double>(n));
    std::sort(ad_ns.begin(), ad_ns.end());
    const std::size_t n_half = ad_ns.size() / 2;
    const double d_median =
        ad_ns.size() % 2 ? ad_ns[n_half] : (ad_ns[n_half - 1] + ad_ns[n_half]) / 2;
    return {d_median, ad_ns.front(), ad_ns.back(), n};
}

} // namespace bench

#endif
