#include "headtracker/IMU.h"
#include "headtracker/TrackerGlobals.h"
#include "tools/sim/TrackerSimulator.h"

#include <benchmark/benchmark.h>

// The counting operators below pair malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

// Counts heap allocations, so the report shows what one decoded line allocates.
static std::atomic<long long> allocations { 0 };

void* operator new (std::size_t size)
{
    allocations.fetch_add (1, std::memory_order_relaxed);
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }

namespace
{
std::vector<juce::String> trackerLines()
{
    ormalix::sim::TrackerSimulatorOptions options;
    options.motion = ormalix::sim::motions::allDirections();
    options.noise = 1.0;
    ormalix::sim::TrackerSignal signal (options);
    std::vector<juce::String> lines;
    for (int i = 0; i < 1000; ++i)
        lines.emplace_back (signal.nextLine());
    return lines;
}

// One call per line, as the bridge makes them from a 100 Hz tracker.
void decodeLines (benchmark::State& state, bool logging)
{
    const auto lines = trackerLines();
    IMU imu;
    Beta = 0.6f;
    numImuData = 0;
    m_storeImuData.store (logging);

    size_t i = 0;
    long long lineCount = 0;
    const long long before = allocations.load();
    for (auto _ : state)
    {
        benchmark::DoNotOptimize (imu.getQuaternion (lines[i]));
        if (++i == lines.size())
            i = 0;
        if (numImuData >= imuDataCapacity)
            numImuData = 0;
        ++lineCount;
    }
    state.counters["allocs/line"] = (double) (allocations.load() - before) / (double) lineCount;
    m_storeImuData.store (false);
    numImuData = 0;
}

void BM_GetQuaternionPerLine (benchmark::State& state) { decodeLines (state, false); }
void BM_GetQuaternionPerLineLogged (benchmark::State& state) { decodeLines (state, true); }
} // namespace

BENCHMARK (BM_GetQuaternionPerLine);
BENCHMARK (BM_GetQuaternionPerLineLogged);
