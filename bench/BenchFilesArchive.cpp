// Archiving a measurement (150 MB recording, 10 MB log, 6 MB system response) at level 9
// beside Info-ZIP's zip -9 on the same files.
#include "archive/StoreZipThread.h"
#include "wizard/NumberFormat.h"

#include <benchmark/benchmark.h>
#include <juce_core/juce_core.h>

#include <cmath>
#include <cstdlib>

namespace
{
void writeRecording (const juce::File& file, juce::int64 dataBytes, uint32_t seed);
void writeLog (const juce::File& file, juce::int64 bytes);

struct Inputs
{
    Inputs()
    {
        folder.deleteRecursively();
        folder.createDirectory();
        writeRecording (recording, 150 * 1024000, 1);
        writeLog (log, 10 * 1000000);
        writeRecording (calibration, 6 * 1000000, 2);
    }

    // The inputs are large; they go when the benchmark ends.
    ~Inputs() { folder.deleteRecursively(); }

    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("ormalix-bench-archive");
    juce::File recording = folder.getChildFile ("OrmalixMeasurement.wav");
    juce::File log = folder.getChildFile ("OrmalixMeasurement.csv");
    juce::File calibration = folder.getChildFile ("OrmalixCalibration.wav");

    JUCE_DECLARE_NON_COPYABLE (Inputs)
};

// A 16-bit stereo WAV of a repeated chirp with room noise, as the microphones record it.
void writeRecording (const juce::File& file, juce::int64 dataBytes, uint32_t seed)
{
    juce::FileOutputStream out (file, 1 << 20);
    out.setPosition (0);
    out.truncate();
    out.write ("RIFF", 4);
    out.writeInt ((int) (dataBytes + 36));
    out.write ("WAVEfmt ", 8);
    out.writeInt (16);
    out.writeShort (1);
    out.writeShort (2);
    out.writeInt (48000);
    out.writeInt (48000 * 4);
    out.writeShort (4);
    out.writeShort (16);
    out.write ("data", 4);
    out.writeInt ((int) dataBytes);

    uint32_t x = seed;
    auto noise = [&x]
    {
        // Sum of uniforms: close enough to Gaussian room noise.
        int sum = 0;
        for (int i = 0; i < 4; ++i)
        {
            x = x * 1664525u + 1013904223u;
            sum += (int) (x >> 24) - 128;
        }
        return sum / 4;
    };

    std::vector<int16_t> block (2 * 4800);
    double phase = 0.0;
    juce::int64 t = 0;

    for (juce::int64 written = 0; written < dataBytes;)
    {
        for (size_t i = 0; i < block.size(); i += 2, ++t)
        {
            const double secondInSweep = (double) (t % (48000 * 5)) / 48000.0;
            phase += 2.0 * juce::MathConstants<double>::pi * (50.0 * std::pow (400.0, secondInSweep / 5.0)) / 48000.0;
            const double s = 6000.0 * std::sin (phase);
            block[i] = (int16_t) juce::jlimit (-32768.0, 32767.0, s + noise());
            block[i + 1] = (int16_t) juce::jlimit (-32768.0, 32767.0, 0.8 * s + noise());
        }

        const auto n = (size_t) std::min<juce::int64> ((juce::int64) (block.size() * 2), dataBytes - written);
        out.write (block.data(), n);
        written += (juce::int64) n;
    }
}

void writeLog (const juce::File& file, juce::int64 bytes)
{
    juce::FileOutputStream out (file, 1 << 20);
    out.setPosition (0);
    out.truncate();
    juce::Random random (3);
    double values[9] = { 0.01, -0.02, 1.0, 0.0, 0.0, 0.0, 120.0, -230.0, 415.0 };
    char line[10 * NumberFormat::maxValueChars + 1];

    for (juce::int64 s = 0; out.getPosition() < bytes; ++s)
    {
        char* p = NumberFormat::appendValue (line, (float) (73912344576.0 + 10000.0 * (double) s));
        for (auto& v : values)
        {
            v += (random.nextDouble() - 0.5) * 0.05;
            p = NumberFormat::appendValue (p, (float) v);
        }
        *p++ = '\n';
        out.write (line, (size_t) (p - line));
    }
}

const Inputs& inputs()
{
    static const Inputs in;
    return in;
}

juce::int64 inputBytes (const Inputs& in)
{
    return in.recording.getSize() + in.log.getSize() + in.calibration.getSize();
}

void BM_Archive_Ormalix (benchmark::State& state)
{
    const auto& in = inputs();
    const auto target = in.folder.getChildFile ("ormalix.zip");
    std::atomic<double> progress { 0.0 };

    for (auto _ : state)
    {
        const auto failure = buildArchive ({ in.recording, in.log, in.calibration, target }, progress);
        state.PauseTiming();
        if (failure.isNotEmpty())
            state.SkipWithError (failure.toRawUTF8());
        state.counters["ratio"] = (double) target.getSize() / (double) inputBytes (in);
        state.SetBytesProcessed (state.bytes_processed() + inputBytes (in));
        target.deleteFile();
        state.ResumeTiming();
    }
}

void BM_Archive_InfoZip (benchmark::State& state)
{
    const auto& in = inputs();
    const auto target = in.folder.getChildFile ("infozip.zip");
    const auto command = "zip -9 -j -q -X " + target.getFullPathName().quoted() + " "
                         + in.calibration.getFullPathName().quoted() + " " + in.recording.getFullPathName().quoted()
                         + " " + in.log.getFullPathName().quoted();

    for (auto _ : state)
    {
        const int rc = std::system (command.toRawUTF8());
        state.PauseTiming();
        if (rc != 0)
            state.SkipWithError ("zip failed");
        state.counters["ratio"] = (double) target.getSize() / (double) inputBytes (in);
        state.SetBytesProcessed (state.bytes_processed() + inputBytes (in));
        target.deleteFile();
        state.ResumeTiming();
    }
}
} // namespace

BENCHMARK (BM_Archive_Ormalix)->Unit (benchmark::kMillisecond)->Iterations (1)->Repetitions (3)->ReportAggregatesOnly (true);
BENCHMARK (BM_Archive_InfoZip)->Unit (benchmark::kMillisecond)->Iterations (1)->Repetitions (3)->ReportAggregatesOnly (true);
