// Writing a 15-minute head-orientation log (90,000 lines) beside a plain C writer of the same
// bytes.
#include "headtracker/TrackerGlobals.h"
#include "wizard/OrientationLog.h"

#include <benchmark/benchmark.h>
#include <juce_core/juce_core.h>

#include <cstdio>

namespace
{
constexpr unsigned logLines = 90000;

// A log as a measurement leaves it: host times, slowly varying sensor values.
void fillLog()
{
    static bool filled = false;
    if (filled)
        return;
    filled = true;

    juce::Random random (42);
    float values[9] = { 0.01f, -0.02f, 1.0f, 0.0f, 0.0f, 0.0f, 120.0f, -230.0f, 415.0f };
    const float steps[9] = { 0.01f, 0.01f, 0.01f, 0.05f, 0.05f, 0.05f, 2.0f, 2.0f, 2.0f };

    for (unsigned s = 0; s <= logLines; ++s)
    {
        imuData (0, (Eigen::Index) s) = 73912344576.0f + 10000.0f * (float) s;
        for (int r = 0; r < 9; ++r)
        {
            values[r] += (random.nextFloat() - 0.5f) * steps[r];
            imuData (r + 1, (Eigen::Index) s) = values[r];
        }
    }

    numImuData = logLines + 1;
}

juce::File benchFolder()
{
    struct Folder
    {
        Folder()
        {
            file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("ormalix-bench-log");
            file.deleteRecursively();
            file.createDirectory();
        }
        ~Folder() { file.deleteRecursively(); }
        juce::File file;
    };

    static const Folder folder;
    return folder.file;
}

void writeWithFprintf (const juce::File& file)
{
    FILE* out = std::fopen (file.getFullPathName().toRawUTF8(), "w");
    if (out == nullptr)
        return;

    for (unsigned s = 0; s + 1 < numImuData; ++s)
    {
        for (int r = 0; r < 10; ++r)
            std::fprintf (out, "%.5f, ", (double) imuData (r, (Eigen::Index) s));
        std::fputc ('\n', out);
    }

    std::fclose (out);
}

void BM_OrientationLog_Ormalix (benchmark::State& state)
{
    fillLog();
    const auto folder = benchFolder();

    for (auto _ : state)
    {
        const auto file = writeOrientationLog (folder);
        state.PauseTiming();
        if (file == juce::File())
            state.SkipWithError ("log not written");
        state.SetBytesProcessed (state.bytes_processed() + file.getSize());
        file.deleteFile();
        state.ResumeTiming();
    }
}

void BM_OrientationLog_Fprintf (benchmark::State& state)
{
    fillLog();
    const auto folder = benchFolder();
    const auto file = folder.getChildFile ("fprintf.csv");

    // The peer must produce exactly the same bytes.
    const auto ours = writeOrientationLog (folder);
    writeWithFprintf (file);
    juce::MemoryBlock a, b;
    ours.loadFileAsData (a);
    file.loadFileAsData (b);
    ours.deleteFile();
    if (a != b || a.getSize() == 0)
        state.SkipWithError ("the two writers differ");

    for (auto _ : state)
    {
        writeWithFprintf (file);
        state.PauseTiming();
        state.SetBytesProcessed (state.bytes_processed() + file.getSize());
        file.deleteFile();
        state.ResumeTiming();
    }
}
} // namespace

BENCHMARK (BM_OrientationLog_Ormalix)->Unit (benchmark::kMillisecond)->Repetitions (7)->ReportAggregatesOnly (true);
BENCHMARK (BM_OrientationLog_Fprintf)->Unit (benchmark::kMillisecond)->Repetitions (7)->ReportAggregatesOnly (true);
