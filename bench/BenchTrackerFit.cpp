#include "headtracker/CalibrationThread.h"
#include "tools/sim/TrackerSimulator.h"

#include <benchmark/benchmark.h>

#include <sstream>

namespace
{
// 3000 samples of the simulated magnetometer while the head turns: what a calibration gathers.
Eigen::MatrixXd gatheredSamples()
{
    ormalix::sim::TrackerSimulatorOptions options;
    options.motion = ormalix::sim::motions::allDirections();
    options.noise = 1.0;
    ormalix::sim::TrackerSignal signal (options);
    Eigen::MatrixXd p (3, 3000);
    for (int i = 0; i < 3000; ++i)
    {
        const auto f = signal.fieldsAt (i / 100.0);
        p.col (i) << f[7], f[8], f[9];
    }
    return p;
}

void BM_CalibrateMagnetometer3000 (benchmark::State& state)
{
    const auto samples = gatheredSamples();
    for (auto _ : state)
        benchmark::DoNotOptimize (CalibrationThread::calibrateMagnetometer (samples, nullptr));
}

// The same fit with its printed trace, as the calibration thread runs it.
void BM_CalibrateMagnetometer3000WithTrace (benchmark::State& state)
{
    const auto samples = gatheredSamples();
    for (auto _ : state)
    {
        std::ostringstream trace;
        benchmark::DoNotOptimize (CalibrationThread::calibrateMagnetometer (samples, &trace));
    }
}
} // namespace

BENCHMARK (BM_CalibrateMagnetometer3000)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_CalibrateMagnetometer3000WithTrace)->Unit (benchmark::kMicrosecond);
