#include "FilesTestSupport.h"
#include "headtracker/TrackerGlobals.h"
#include "wizard/FileNaming.h"
#include "wizard/OrientationLog.h"

#include <gtest/gtest.h>

namespace
{
constexpr const char* exampleLine =
    "73912344576.00000, 0.01200, -0.00100, 1.00300, 0.00000, 0.00174, -0.00349, 12.00000, -230.00000, 415.00000, \n";

void storeSample (const std::array<float, 10>& values)
{
    for (int r = 0; r < 10; ++r)
        imuData ((Eigen::Index) r, (Eigen::Index) numImuData) = values[(size_t) r];
    ++numImuData;
}

void storeSamples (int count, float base)
{
    for (int i = 0; i < count; ++i)
        storeSample ({ base + (float) i, 0.5f, -0.25f, 1.0f, 0.001f, -0.002f, 0.003f, 10.0f, -20.0f, 30.0f });
}

// The lines of a log, each still ending in ", ".
juce::StringArray logLines (const juce::String& text)
{
    auto lines = juce::StringArray::fromLines (text);
    if (! lines.isEmpty() && lines[lines.size() - 1].isEmpty())
        lines.remove (lines.size() - 1);
    return lines;
}

class OrientationLog : public ::testing::Test
{
protected:
    void SetUp() override { numImuData = 0; }
    void TearDown() override { numImuData = 0; }
};

TEST_F (OrientationLog, WritesTheExampleColumnAsItsLine)
{
    storeSample ({ 73912344576.0f, 0.012f, -0.001f, 1.003f, 0.0f, 0.00174f, -0.00349f, 12.0f, -230.0f, 415.0f });
    storeSample ({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 });   // the newest sample is not written

    const auto file = writeOrientationLog (documentsFolder());

    EXPECT_EQ (file, documentsFolder().getChildFile ("OrmalixMeasurement.csv"));
    EXPECT_EQ (file.loadFileAsString(), exampleLine);
}

TEST_F (OrientationLog, LeavesOutTheNewestSample)
{
    const std::pair<int, int> storedToLines[] = { { 0, 0 }, { 1, 0 }, { 2, 1 }, { 3, 2 } };

    for (const auto& [stored, lines] : storedToLines)
    {
        numImuData = 0;
        storeSamples (stored, 100.0f);

        const auto file = writeOrientationLog (documentsFolder());
        ASSERT_TRUE (file.existsAsFile()) << stored;
        const auto text = file.loadFileAsString();
        EXPECT_EQ (logLines (text).size(), lines) << stored;
        EXPECT_TRUE (text.isEmpty() || text.endsWith (", \n")) << stored;
        file.deleteFile();
    }
}

TEST_F (OrientationLog, ASecondMeasurementGetsTheNextNameAndAllSamples)
{
    storeSamples (5, 1000.0f);
    const auto first = writeOrientationLog (documentsFolder());
    storeSamples (7, 2000.0f);
    const auto second = writeOrientationLog (documentsFolder());

    EXPECT_EQ (first.getFileName(), "OrmalixMeasurement.csv");
    EXPECT_EQ (second.getFileName(), "OrmalixMeasurement(2).csv");

    const auto firstLines = logLines (first.loadFileAsString());
    const auto secondLines = logLines (second.loadFileAsString());
    ASSERT_EQ (firstLines.size(), 4);
    ASSERT_EQ (secondLines.size(), 11);

    for (int i = 0; i < firstLines.size(); ++i)
        EXPECT_EQ (secondLines[i], firstLines[i]);
    // The first measurement's newest sample is in the second log.
    EXPECT_TRUE (secondLines[4].startsWith ("1004.00000, "));
    EXPECT_TRUE (secondLines[10].startsWith ("2005.00000, "));
}

TEST_F (OrientationLog, LongLogsMatchAPlainWriter)
{
    // Enough lines to cross many stream buffers, with the values of a real log.
    juce::Random random (7);
    for (int i = 0; i < 3000; ++i)
        storeSample ({ 73912344576.0f + 10000.0f * (float) i, random.nextFloat() * 4 - 2, random.nextFloat() * 4 - 2,
                       random.nextFloat() * 4 - 2, random.nextFloat() - 0.5f, random.nextFloat() - 0.5f,
                       random.nextFloat() - 0.5f, random.nextFloat() * 600 - 300, random.nextFloat() * 600 - 300,
                       random.nextFloat() * 600 - 300 });

    std::string expected;
    char buffer[64];
    for (unsigned s = 0; s + 1 < numImuData; ++s)
    {
        for (int r = 0; r < 10; ++r)
        {
            std::snprintf (buffer, sizeof (buffer), "%.5f, ", (double) imuData (r, (Eigen::Index) s));
            expected += buffer;
        }
        expected += '\n';
    }

    const auto file = writeOrientationLog (documentsFolder());
    juce::MemoryBlock written;
    ASSERT_TRUE (file.loadFileAsData (written));
    EXPECT_EQ (std::string ((const char*) written.getData(), written.getSize()), expected);
}

TEST_F (OrientationLog, ACountBeyondTheBufferIsCappedAtIt)
{
    Eigen::MatrixXf small = Eigen::MatrixXf::Ones (10, 3);
    juce::MemoryOutputStream out;
    ASSERT_TRUE (writeOrientationLogLines (out, small, 1000));
    EXPECT_EQ (logLines (out.toString()).size(), 2);
}

TEST_F (OrientationLog, AFailedWriteLeavesNoPartialLog)
{
    storeSamples (3000, 0.0f);   // about 240 kB

    {
        const ormalix::test::FileSizeLimit full (100000);
        EXPECT_EQ (writeOrientationLog (documentsFolder()), juce::File());
    }

    EXPECT_FALSE (documentsFolder().getChildFile ("OrmalixMeasurement.csv").exists());
    EXPECT_EQ (writeOrientationLog (documentsFolder().getChildFile ("missing")), juce::File());

    // Once the disk has room again the log is written whole.
    const auto file = writeOrientationLog (documentsFolder());
    EXPECT_EQ (file.getFileName(), "OrmalixMeasurement.csv");
    EXPECT_EQ (logLines (file.loadFileAsString()).size(), 2999);
}
} // namespace
