// The recorder's audio callback per 2048-frame block, in both of its paths, beside the least
// work each path has to do.
#include <benchmark/benchmark.h>

#include "audio/AudioGlobals.h"
#include "audio/AudioRecorder.h"
#include "tools/sim/SimulatedSoundCard.h"

#include <chrono>
#include <thread>

namespace
{
constexpr int blockFrames = 2048;

struct CallbackRig
{
    CallbackRig()
    {
        type = card.createDeviceType();
        type->scanForDevices();
        device.reset (type->createDevice ({}, "USB Advanced Audio Device"));
        device->open (3, 0, 48000.0, blockFrames);
        recorder.audioDeviceAboutToStart (device.get());
        recorder.restartAnalysisBlock();
        for (int i = 0; i < blockFrames; ++i)
        {
            left[i] = 0.1f * std::sin (0.01f * (float) i);
            right[i] = -left[i];
        }
    }

    void callback()
    {
        const float* in[] = { left, right };
        recorder.audioDeviceIOCallbackWithContext (in, 2, nullptr, 0, blockFrames, {});
    }

    juce::File file() const { return juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("ormalix-bench.wav"); }

    ormalix::sim::SimulatedSoundCard card;
    std::unique_ptr<juce::AudioIODeviceType> type;
    std::unique_ptr<juce::AudioIODevice> device;
    AudioRecorder recorder;
    float left[blockFrames], right[blockFrames];
};

void BM_RecorderCallback_Analysis (benchmark::State& state)
{
    CallbackRig rig;
    for (auto _ : state)
    {
        rig.callback();
        // Hand the block straight back, so every call gathers.
        nextBlockReady.store (false, std::memory_order_release);
    }
}

// Peer: the bare conversion and copy of one block into the analysis matrix.
void BM_PlainCopyIntoAnalysisBlock (benchmark::State& state)
{
    CallbackRig rig;
    int fill = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < blockFrames; ++i)
        {
            dataToProcess2 (0, fill + i) = rig.left[i];
            dataToProcess2 (1, fill + i) = rig.right[i];
        }
        fill = (fill + blockFrames) % (analysisBlockLength - blockFrames);
        benchmark::ClobberMemory();
    }
}

// Timed by hand: between calls the disk thread gets the time a real device would leave it.
void BM_RecorderCallback_Recording (benchmark::State& state)
{
    CallbackRig rig;
    rig.recorder.startRecording (rig.file());
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        rig.callback();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime (std::chrono::duration<double> (end - start).count());
        std::this_thread::sleep_for (std::chrono::microseconds (500));
    }
    rig.recorder.stop();
    rig.file().deleteFile();
}

// Peer: JUCE's threaded writer taking the block directly.
void BM_ThreadedWriterWrite (benchmark::State& state)
{
    CallbackRig rig;
    rig.recorder.startRecording (rig.file());
    auto* writer = rig.recorder.currentWriter.load();
    for (auto _ : state)
    {
        const float* in[] = { rig.left, rig.right };
        const auto start = std::chrono::steady_clock::now();
        writer->write (in, blockFrames);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime (std::chrono::duration<double> (end - start).count());
        std::this_thread::sleep_for (std::chrono::microseconds (500));
    }
    rig.recorder.stop();
    rig.file().deleteFile();
}
} // namespace

BENCHMARK (BM_RecorderCallback_Analysis)->Unit (benchmark::kMicrosecond)->Repetitions (9)->ReportAggregatesOnly (true);
BENCHMARK (BM_PlainCopyIntoAnalysisBlock)->Unit (benchmark::kMicrosecond)->Repetitions (9)->ReportAggregatesOnly (true);
BENCHMARK (BM_RecorderCallback_Recording)->UseManualTime()->Iterations (2000)->Unit (benchmark::kMicrosecond)->Repetitions (9)->ReportAggregatesOnly (true);
BENCHMARK (BM_ThreadedWriterWrite)->UseManualTime()->Iterations (2000)->Unit (benchmark::kMicrosecond)->Repetitions (9)->ReportAggregatesOnly (true);
