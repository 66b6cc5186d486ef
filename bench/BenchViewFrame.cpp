// One frame of the head view at 680 x 680 in the software renderer, beside a frame that only
// clears (no shader) and one that also draws the 3000 dots of a complete measurement.
// Run under xvfb-run -s "+extension GLX" with LIBGL_ALWAYS_SOFTWARE=1.
#include <benchmark/benchmark.h>

#include "view/HeadViewHarness.h"

#include <chrono>
#include <ctime>

namespace
{
using ormalix::test::HeadViewHarness;

double processCpuSeconds()
{
    timespec t {};
    clock_gettime (CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double) t.tv_sec + 1e-9 * (double) t.tv_nsec;
}

enum class Content { clearOnly, head, headAndDots };

void frame (benchmark::State& state, Content content)
{
    // A window per benchmark: it must be gone before JUCE shuts down after the run.
    auto harness = std::make_unique<HeadViewHarness> (680, 680);
    if (! harness->start())
    {
        state.SkipWithError ("no OpenGL context");
        return;
    }
    harness->view->openGLContext.setContinuousRepainting (false);

    auto& view = *harness->view;
    double cpu = 0.0;

    for (auto _ : state)
    {
        double seconds = 0.0, cpuSeconds = 0.0;
        harness->onGlThread ([&]
                             {
                                 using namespace juce::gl;
                                 view.angleY.store (200.0f);
                                 view.angleX.store (-10.0f);
                                 view.dotCount.store (content == Content::headAndDots ? 3000 : 0);
                                 view.dotPending.store (false);
                                 auto shader = content == Content::clearOnly ? std::move (view.shader) : nullptr;

                                 glFinish();
                                 const auto cpuStart = processCpuSeconds();
                                 const auto start = std::chrono::steady_clock::now();
                                 view.renderOpenGL();
                                 glFinish();
                                 seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
                                 cpuSeconds = processCpuSeconds() - cpuStart;

                                 if (shader != nullptr)
                                     view.shader = std::move (shader);
                             });
        state.SetIterationTime (seconds);
        cpu += cpuSeconds;
    }

    state.counters["cpu_ms"] = benchmark::Counter (1e3 * cpu / (double) state.iterations());
}
} // namespace

BENCHMARK_CAPTURE (frame, ClearOnly, Content::clearOnly)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (200);
BENCHMARK_CAPTURE (frame, Head, Content::head)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (200);
BENCHMARK_CAPTURE (frame, HeadAnd3000Dots, Content::headAndDots)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (200);
