#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <cmath>

namespace
{
struct Run
{
    int exitCode = -1;
    juce::String output;
};

Run tool (const juce::StringArray& args, int streams = juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr)
{
    juce::StringArray command { juce::String (ORMALIX_BINARY_DIR) + "/ormalix-tool" };
    command.addArray (args);
    juce::ChildProcess process;
    Run run;
    if (! process.start (command, streams))
        return run;
    run.output = process.readAllProcessOutput();
    process.waitForProcessToFinish (60000);
    run.exitCode = (int) process.getExitCode();
    return run;
}

class TrackerTool : public testing::Test
{
protected:
    juce::File folder = juce::File::createTempFile ("tool");
    void SetUp() override { folder.createDirectory(); }
    void TearDown() override { folder.deleteRecursively(); }
    juce::String path (const char* name) const { return folder.getChildFile (name).getFullPathName(); }
};
} // namespace

TEST_F (TrackerTool, SimulatedStreamReplaysAsCsv)
{
    const auto stream = path ("stream.txt");
    ASSERT_EQ (tool ({ "simulate-tracker", "--to-file", stream, "--seconds", "8", "--motion", "still", "--noise", "1" }).exitCode, 0);

    const auto run = tool ({ "replay", stream }, juce::ChildProcess::wantStdOut);
    ASSERT_EQ (run.exitCode, 0);
    juce::StringArray rows;
    rows.addLines (run.output.trimEnd());
    ASSERT_EQ (rows.size(), 801); // a header and one row per line
    EXPECT_EQ (rows[0], "valid,timestamp_us,q0,q1,q2,q3,eulerX,eulerY,eulerZ");

    // The still tracker is level and faces north: after settling the bridge shows the rest pose.
    juce::StringArray last;
    last.addTokens (rows[800], ",", "");
    ASSERT_EQ (last.size(), 9);
    EXPECT_EQ (last[0], "1");
    EXPECT_NEAR (last[1].getDoubleValue(), 1000000.0 + 7980000.0, 1.0); // one line of delay
    const double norm = std::sqrt (std::pow (last[2].getDoubleValue(), 2) + std::pow (last[3].getDoubleValue(), 2)
                                   + std::pow (last[4].getDoubleValue(), 2) + std::pow (last[5].getDoubleValue(), 2));
    EXPECT_NEAR (norm, 1.0, 0.01);
    EXPECT_NEAR (last[7].getDoubleValue(), 90.0, 3.0);
}

TEST_F (TrackerTool, FitPrintsTraceThenSettingsLine)
{
    juce::String text;
    const double golden = juce::MathConstants<double>::pi * (3.0 - std::sqrt (5.0));
    for (int i = 0; i < 500; ++i)
    {
        const double z = 1.0 - 2.0 * (i + 0.5) / 500.0, r = std::sqrt (1.0 - z * z);
        text << juce::String (50 * r * std::cos (golden * i) + 10, 10) << ", " << juce::String (50 * r * std::sin (golden * i) - 20, 10)
             << ", " << juce::String (50 * z + 5, 10) << "\n";
    }
    const auto samples = path ("samples.txt");
    ASSERT_TRUE (juce::File (samples).replaceWithText (text));

    const auto run = tool ({ "fit-magnetometer", samples }, juce::ChildProcess::wantStdOut);
    ASSERT_EQ (run.exitCode, 0);
    EXPECT_TRUE (run.output.startsWith ("A: \n"));
    juce::StringArray lines;
    lines.addLines (run.output.trimEnd());
    EXPECT_TRUE (lines[lines.size() - 1].startsWith ("-10.00000, 20.00000, -5.00000, 50.00000, 50.00000, 50.00000, "))
        << lines[lines.size() - 1];
    EXPECT_TRUE (run.output.endsWith (", \n"));
}

TEST_F (TrackerTool, BadArgumentsAndFilesGiveOneErrorLineAndStatus2)
{
    const auto badSamples = path ("bad.txt");
    juce::File (badSamples).replaceWithText ("1, 2, 3\n4, five, 6\n");
    const auto stream = path ("s.txt");
    juce::File (stream).replaceWithText ("1,2,3,4,5,6,7,8,9,10,\n");
    const auto shortSettings = path ("settings.csv");
    juce::File (shortSettings).replaceWithText ("1, 2, 3, ");

    const juce::StringArray cases[] = {
        { "replay" },
        { "replay", path ("missing.txt") },
        { "replay", stream, "--beta", "fast" },
        { "replay", stream, "--settings", shortSettings },
        { "replay", stream, "--wobble" },
        { "fit-magnetometer" },
        { "fit-magnetometer", badSamples },
        { "fit-magnetometer", stream },
        { "simulate-tracker", "--noise", "abc" },
        { "simulate-tracker", "--spikes", "2" },
        { "simulate-tracker", "--motion", "dance" },
        { "simulate-tracker", "--bogus", "1" },
        { "simulate-tracker", "--to-file", stream },
    };
    for (auto& args : cases)
    {
        const auto run = tool (args);
        EXPECT_EQ (run.exitCode, 2) << args.joinIntoString (" ");
        EXPECT_EQ (run.output.trimEnd().indexOfChar ('\n'), -1) << run.output;
        EXPECT_TRUE (run.output.startsWith ("ormalix-tool " + args[0] + ": ")) << run.output;
    }

    for (auto* command : { "replay", "fit-magnetometer", "simulate-tracker" })
    {
        const auto run = tool ({ command, "--help" });
        EXPECT_EQ (run.exitCode, 0);
        EXPECT_TRUE (run.output.startsWith (juce::String ("usage: ormalix-tool ") + command)) << run.output;
    }
}
