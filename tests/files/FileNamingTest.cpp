#include "FilesTestSupport.h"
#include "wizard/FileNaming.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
// Creates the files one after the other, far enough apart for millisecond birth times.
void createInOrder (const juce::File& folder, std::initializer_list<const char*> names)
{
    for (const auto* name : names)
    {
        folder.getChildFile (name).replaceWithText (name);
        std::this_thread::sleep_for (std::chrono::milliseconds (30));
    }
}

bool birthTimesRecorded (const juce::File& folder)
{
    // The framework's fallback counts whole seconds only; a real birth time rarely does.
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        const auto probe = folder.getChildFile ("probe");
        probe.replaceWithText ("x");
        const auto ms = fileCreationTimeMs (probe);
        probe.deleteFile();

        if (ms % 1000 != 0)
            return true;

        std::this_thread::sleep_for (std::chrono::milliseconds (7));
    }

    return false;
}

TEST (FileNaming, NumbersNamesInBracketsAndNeverReusesOne)
{
    const auto docs = documentsFolder();
    const char* expected[] = { "OrmalixMeasurement.wav", "OrmalixMeasurement(2).wav", "OrmalixMeasurement(3).wav" };

    for (const auto* name : expected)
    {
        const auto f = nextFreeFile (docs, "OrmalixMeasurement", ".wav");
        EXPECT_EQ (f.getFileName(), name);
        f.create();
    }

    docs.getChildFile ("OrmalixMeasurement(2).wav").deleteFile();
    EXPECT_EQ (nextFreeFile (docs, "OrmalixMeasurement", ".wav").getFileName(), "OrmalixMeasurement(2).wav");
}

TEST (FileNaming, FindFileTakesTheLaterCreatedWhateverNamesAndModificationTimes)
{
    const auto docs = documentsFolder();
    if (! birthTimesRecorded (docs))
        GTEST_SKIP() << "this file system records no birth times";

    EXPECT_EQ (findFile ("OrmalixMeasurement*.wav"), juce::File());

    // The later one has the lower number and the older modification time.
    createInOrder (docs, { "OrmalixMeasurement(2).wav", "OrmalixMeasurement.wav" });
    const auto later = docs.getChildFile ("OrmalixMeasurement.wav");
    later.setLastModificationTime (juce::Time::getCurrentTime() - juce::RelativeTime::days (30));

    EXPECT_EQ (findFile ("OrmalixMeasurement*.wav"), later);

    // Folders and other patterns do not count; touching the older file does not make it newer.
    docs.getChildFile ("OrmalixMeasurement(9).wav").createDirectory();
    createInOrder (docs, { "OrmalixCalibration.wav", "OrmalixMeasurement(3).csv" });
    docs.getChildFile ("OrmalixMeasurement(2).wav").appendText ("more");
    EXPECT_EQ (findFile ("OrmalixMeasurement*.wav"), later);
    EXPECT_EQ (findFile ("OrmalixCalibration*.wav"), docs.getChildFile ("OrmalixCalibration.wav"));
    EXPECT_EQ (findFile (docs, "OrmalixMeasurement*.csv"), docs.getChildFile ("OrmalixMeasurement(3).csv"));
}

TEST (FileNaming, CreationTimeHasMillisecondsWhereRecorded)
{
    const auto f = documentsFolder().getChildFile ("t");
    const auto before = juce::Time::currentTimeMillis();
    f.replaceWithText ("x");
    const auto after = juce::Time::currentTimeMillis();

    const auto ms = fileCreationTimeMs (f);
    if (! birthTimesRecorded (documentsFolder()))
        GTEST_SKIP() << "this file system records no birth times";

    // The file system's clock may run a tick behind the process's.
    EXPECT_GE (ms, before - 20);
    EXPECT_LE (ms, after + 20);
    EXPECT_EQ (fileCreationTimeMs (documentsFolder().getChildFile ("absent")), 0);
}
} // namespace
