#include <gtest/gtest.h>

#include "audio/RecordingCheck.h"
#include "tools/sim/SimulatedRoom.h"

#include <juce_audio_formats/juce_audio_formats.h>

using namespace ormalix;

namespace
{
juce::File documents() { return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory); }

// A recording of the simulated room, as the recorder would write it.
juce::File writeRoomWav (const juce::String& name, const sim::SimulatedRoomSettings& room, double rate,
                         double seconds, int channels = 2)
{
    const auto file = documents().getChildFile (name);
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (new juce::FileOutputStream (file), rate,
                                                                          (unsigned) channels, 16, {}, 0));
    sim::SimulatedRoom r (room, rate);
    juce::AudioBuffer<float> buffer (2, (int) (seconds * rate));
    r.render (buffer.getWritePointer (0), buffer.getWritePointer (1), buffer.getNumSamples());
    writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
    return file;
}

struct ToolRun
{
    int exitCode = -1;
    juce::String output;
};

// The real ormalix-tool, as a user runs it.
ToolRun runTool (const juce::StringArray& args)
{
    const juce::File tool (juce::String (ORMALIX_BINARY_DIR) + "/ormalix-tool");
    juce::StringArray command { tool.getFullPathName(), "check-audio" };
    command.addArray (args);

    ToolRun run;
    juce::ChildProcess p;
    if (! p.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return run;
    run.output = p.readAllProcessOutput();
    p.waitForProcessToFinish (30000);
    run.exitCode = (int) p.getExitCode();
    return run;
}

juce::String lastLine (const juce::String& text)
{
    return juce::StringArray::fromLines (text.trimEnd()).strings.getLast();
}
} // namespace

TEST (CheckAudio, ReportsFiveCyclesAndEndsWithTheVerdict)
{
    juce::String error;
    const auto good = writeRoomWav ("good.wav", {}, 48000.0, 5.5);
    const auto report = audio::checkRecording (good, error);
    ASSERT_TRUE (report.has_value()) << error;
    ASSERT_EQ (report->cycles.size(), 5u);
    EXPECT_EQ (report->state.cycleCount, 5);
    EXPECT_EQ (report->verdict.rule, 5);
    EXPECT_EQ (report->cycles[0].W, 24000);

    const auto run = runTool ({ good.getFullPathName() });
    EXPECT_EQ (run.exitCode, 0) << run.output;
    EXPECT_EQ (lastLine (run.output), "All audio checks have been successfully passed. You are ready to roll!");
    const auto lines = juce::StringArray::fromLines (run.output.trimEnd());
    ASSERT_EQ (lines.size(), 7);
    for (int i = 1; i <= 5; ++i)
    {
        EXPECT_TRUE (lines[i].startsWith ("cycle " + juce::String (i) + ": levels L ")) << lines[i];
        for (auto* field : { "peak search H ", "ir peaks first ", "; d ", "meanSnrDb ", "snr meters L " })
            EXPECT_TRUE (lines[i].contains (field)) << field;
    }

    // A long message is cut at 250 characters; the file's own rate is used.
    sim::SimulatedRoomSettings weakRight;
    weakRight.balanceDb = 8.0f;
    const auto unbalanced = writeRoomWav ("unbalanced.wav", weakRight, 44100.0, 5.5);
    const auto run2 = runTool ({ unbalanced.getFullPathName() });
    EXPECT_EQ (run2.exitCode, 0) << run2.output;
    EXPECT_EQ (lastLine (run2.output), audio::QualityTexts::unbalanced.substring (0, 250));
    EXPECT_TRUE (run2.output.contains ("W 22050, S 1323"));
}

TEST (CheckAudio, BadFilesGiveOneErrorLineAndStatusTwo)
{
    const auto text = documents().getChildFile ("notes.wav");
    text.replaceWithText ("not a sound file");

    const juce::File cases[] = {
        documents().getChildFile ("missing.wav"),
        text,
        writeRoomWav ("mono.wav", {}, 48000.0, 6.0, 1),
        writeRoomWav ("short.wav", {}, 48000.0, 4.9),
        writeRoomWav ("fast.wav", {}, 96000.0, 6.0),
    };

    for (const auto& f : cases)
    {
        juce::String error;
        EXPECT_FALSE (audio::checkRecording (f, error).has_value()) << f.getFileName();
        EXPECT_TRUE (error.isNotEmpty());

        const auto run = runTool ({ f.getFullPathName() });
        EXPECT_EQ (run.exitCode, 2) << f.getFileName();
        EXPECT_EQ (juce::StringArray::fromLines (run.output.trimEnd()).size(), 1) << run.output;
        EXPECT_TRUE (run.output.startsWith ("ormalix-tool check-audio: ")) << run.output;
    }

    EXPECT_EQ (runTool ({}).exitCode, 2);
    EXPECT_EQ (runTool ({ "a.wav", "b.wav" }).exitCode, 2);
}
