// What the user waits for on the message thread: a step-4 click with no head tracker connected
// (the serial search of /dev) and the end of a 15-minute measurement (its log written out).
#include <benchmark/benchmark.h>

#include "audio/AudioGlobals.h"
#include "headtracker/TrackerGlobals.h"
#include "support/TempHome.h"
#include "wizard/FileNaming.h"
#include "wizard/MainComponent.h"
#include "wizard/OrientationLog.h"

namespace
{
void BM_Step4ClickWithoutTracker (benchmark::State& state)
{
    ormalix::test::TempHome home;
    MainComponent wizard;
    for (auto _ : state)
        wizard.buttonClicked (&wizard.stepButton4);
    state.counters["tracker_found"] = wizard.bridge.connected ? 1 : 0;
}

void BM_LogOfA15MinuteMeasurement (benchmark::State& state)
{
    ormalix::test::TempHome home;
    imuData.setRandom();
    numImuData = 90001;   // 15 minutes at 100 lines a second, the newest left out
    for (auto _ : state)
    {
        const auto log = writeOrientationLog (documentsFolder());
        state.PauseTiming();
        log.deleteFile();
        state.ResumeTiming();
    }
    numImuData = 0;
}
} // namespace

BENCHMARK (BM_Step4ClickWithoutTracker)->Unit (benchmark::kMillisecond)->Iterations (20);
BENCHMARK (BM_LogOfA15MinuteMeasurement)->Unit (benchmark::kMillisecond)->Iterations (10);
