#include "FilesTestSupport.h"
#include "archive/ArchiveAction.h"
#include "archive/ArchiveGlobals.h"
#include "wizard/FileNaming.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace
{
using ormalix::test::checkArchiveWithPeers;

constexpr juce::int64 plausibleSize = 153600000;   // 150 units of 1,024,000 bytes

void pause() { std::this_thread::sleep_for (std::chrono::milliseconds (30)); }

void waitForBuild (StoreZipThread& thread)
{
    for (int i = 0; i < 6000 && thread.isBuilding(); ++i)
        std::this_thread::sleep_for (std::chrono::milliseconds (10));
    ASSERT_FALSE (thread.isBuilding());
}

class Archive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        progressZip.store (0.0);
        report.setMultiLine (true, true);
        report.setReadOnly (true);
    }

    // A complete set of measurement files, created in the order the wizard makes them.
    void makeMeasurement (juce::int64 recordingBytes)
    {
        ormalix::test::writeSparse (docs.getChildFile ("OrmalixMeasurement.wav"), recordingBytes);
        pause();
        ormalix::test::writeBytes (docs.getChildFile ("OrmalixMeasurement.csv"), 20000, 2);
        pause();
        ormalix::test::writeBytes (docs.getChildFile ("OrmalixCalibration.wav"), 30000, 3);
        pause();
    }

    juce::String plainReport (const juce::File& zip) const
    {
        return "The following files \n \n" + wavRecordingToZip.getFullPathName() + "\n" + imuRecordingToZip.getFullPathName()
               + "\n" + wavCalibrationToZip.getFullPathName() + "\n\n have been zipped into \n\n " + zip.getFullPathName();
    }

    juce::StringArray entriesInOrder() const
    {
        return { wavCalibrationToZip.getFullPathName(), wavRecordingToZip.getFullPathName(),
                 imuRecordingToZip.getFullPathName() };
    }

    juce::Colour textColour() const { return report.findColour (juce::TextEditor::textColourId); }

    juce::File docs = documentsFolder();
    juce::TextEditor report;
    StoreZipThread thread;
};

TEST_F (Archive, MissingFilesAreReportedAndNothingIsBuilt)
{
    struct Case
    {
        std::vector<const char*> files;
        const char* message;
    };

    const Case cases[] = {
        { {}, "The measurement files are missing. Go to step 4 and carry out the measurement." },
        { { "OrmalixMeasurement.wav", "OrmalixCalibration.wav" },
          "The measurement files are missing. Go to step 4 and carry out the measurement." },
        { { "OrmalixMeasurement.csv", "OrmalixCalibration.wav" },
          "The measurement files are missing. Go to step 4 and carry out the measurement." },
        { { "OrmalixMeasurement.wav", "OrmalixMeasurement.csv" },
          "The calibration file is missing. Go to step 5 and carry out the calibration." },
    };

    for (const auto& c : cases)
    {
        for (auto& f : docs.findChildFiles (juce::File::findFiles, false))
            f.deleteFile();
        for (const auto* name : c.files)
            docs.getChildFile (name).replaceWithText ("data");

        report.setVisible (false);
        report.setColour (juce::TextEditor::textColourId, juce::Colours::white);

        EXPECT_FALSE (runArchiveAction (report, thread));
        EXPECT_EQ (report.getText(), c.message);
        EXPECT_EQ (textColour(), juce::Colours::orange);
        EXPECT_TRUE (report.isVisible());
        EXPECT_FALSE (thread.isBuilding());
        EXPECT_TRUE (docs.findChildFiles (juce::File::findFiles, false, "*.zip").isEmpty());
    }
}

TEST_F (Archive, APlausibleRecordingGivesThePlainReportAndAnArchiveThePeersRead)
{
    makeMeasurement (plausibleSize);
    // Entries carry the modification time; late seconds are where DOS times go wrong.
    docs.getChildFile ("OrmalixMeasurement.wav").setLastModificationTime (juce::Time (2024, 2, 5, 10, 20, 47));

    ASSERT_TRUE (runArchiveAction (report, thread));
    waitForBuild (thread);

    const auto zip = docs.getChildFile ("OrmalixMeasurement.zip");
    EXPECT_EQ (zipFile, zip);
    EXPECT_EQ (report.getText(), plainReport (zip));
    EXPECT_EQ (textColour(), juce::Colours::white);
    EXPECT_FALSE (showArchiveFailure (report, thread));
    juce::StringArray times;
    EXPECT_EQ (checkArchiveWithPeers (zip, entriesInOrder(), &times), "");
    EXPECT_TRUE (times.contains ("OrmalixMeasurement.wav 2024-03-05 10:20:46")) << times.joinIntoString (" | ");

    // The timer hides the bar once and starts from 0 again.
    EXPECT_TRUE (archiveFinished());
    EXPECT_EQ (progressZip.load(), 0.0);
    EXPECT_FALSE (archiveFinished());
}

TEST_F (Archive, ARecordingOneByteTooSmallIsWarnedAboutAndArchivedAnyway)
{
    makeMeasurement (plausibleSize - 1);

    ASSERT_TRUE (runArchiveAction (report, thread));

    const auto zip = docs.getChildFile ("OrmalixMeasurement.zip");
    const auto expected = plainReport (zip) + "\n \nNevertheless, the latest measurement wav-file \n\n"
                          + wavRecordingToZip.getFullPathName()
                          + "\n \nappears to be too small to be correct. It's size is 149 MB, whereas it should be around 150 MB. Select the correct files and replace the first two files manually in the zip-file. \n\nOr redo the measurement."
                          + "\n \n testje ";
    EXPECT_EQ (report.getText(), expected);
    EXPECT_EQ (textColour(), juce::Colours::orange);
    EXPECT_EQ (report.findColour (juce::CaretComponent::caretColourId), juce::Colours::white);

    waitForBuild (thread);
    EXPECT_EQ (checkArchiveWithPeers (zip, entriesInOrder()), "");
}

TEST_F (Archive, ASecondArchiveGetsTheNextNameAndTheNewestFiles)
{
    makeMeasurement (1000);
    ASSERT_TRUE (runArchiveAction (report, thread));
    waitForBuild (thread);

    // A second measurement and system response; the first archive stays as it was.
    ormalix::test::writeBytes (docs.getChildFile ("OrmalixMeasurement(2).wav"), 50000, 4);
    pause();
    ormalix::test::writeBytes (docs.getChildFile ("OrmalixMeasurement(2).csv"), 6000, 5);
    pause();
    ormalix::test::writeBytes (docs.getChildFile ("OrmalixCalibration(2).wav"), 7000, 6);
    pause();

    ASSERT_TRUE (runArchiveAction (report, thread));
    waitForBuild (thread);

    const auto second = docs.getChildFile ("OrmalixMeasurement(2).zip");
    EXPECT_EQ (zipFile, second);
    EXPECT_EQ (report.getText().upToFirstOccurrenceOf ("Nevertheless", false, false), plainReport (second) + "\n \n");
    EXPECT_EQ (wavRecordingToZip.getFileName(), "OrmalixMeasurement(2).wav");
    EXPECT_EQ (imuRecordingToZip.getFileName(), "OrmalixMeasurement(2).csv");
    EXPECT_EQ (wavCalibrationToZip.getFileName(), "OrmalixCalibration(2).wav");
    EXPECT_EQ (checkArchiveWithPeers (second, entriesInOrder()), "");
    EXPECT_EQ (checkArchiveWithPeers (docs.getChildFile ("OrmalixMeasurement.zip"),
                                      { docs.getChildFile ("OrmalixCalibration.wav").getFullPathName(),
                                        docs.getChildFile ("OrmalixMeasurement.wav").getFullPathName(),
                                        docs.getChildFile ("OrmalixMeasurement.csv").getFullPathName() }),
               "");
}

TEST_F (Archive, APressDuringABuildIsIgnored)
{
    makeMeasurement (plausibleSize);
    ASSERT_TRUE (runArchiveAction (report, thread));
    const auto reportText = report.getText();

    // Newer files arrive while the first build runs.
    ormalix::test::writeBytes (docs.getChildFile ("OrmalixCalibration(2).wav"), 1000, 7);

    EXPECT_FALSE (runArchiveAction (report, thread));
    EXPECT_EQ (report.getText(), reportText);
    EXPECT_EQ (wavCalibrationToZip.getFileName(), "OrmalixCalibration.wav");
    EXPECT_EQ (zipFile.getFileName(), "OrmalixMeasurement.zip");

    waitForBuild (thread);
    EXPECT_EQ (checkArchiveWithPeers (zipFile, entriesInOrder()), "");
}

TEST_F (Archive, ProgressStepsThroughTheEntries)
{
    // Entries large enough that every step lasts long enough to be seen.
    ormalix::test::writeSparse (docs.getChildFile ("OrmalixMeasurement.wav"), 60000000);
    ormalix::test::writeSparse (docs.getChildFile ("OrmalixMeasurement.csv"), 60000000);
    ormalix::test::writeSparse (docs.getChildFile ("OrmalixCalibration.wav"), 60000000);

    ASSERT_TRUE (runArchiveAction (report, thread));

    std::vector<double> seen { progressZip.load (std::memory_order_acquire) };
    auto record = [&seen]
    {
        const auto p = progressZip.load (std::memory_order_acquire);
        if (p != seen.back())
            seen.push_back (p);
    };

    while (thread.isBuilding())
        record();
    record();

    const std::vector<double> expected { 0.0, 1.0 / 6.0, 0.5, 5.0 / 6.0, 1.0 };
    EXPECT_EQ (seen, expected);
}

TEST_F (Archive, AFailedWriteIsReportedInOrangeAndLeavesNoArchive)
{
    ormalix::test::writeBytes (docs.getChildFile ("OrmalixMeasurement.wav"), 400000, 8);
    pause();
    ormalix::test::writeBytes (docs.getChildFile ("OrmalixMeasurement.csv"), 1000, 9);
    pause();
    ormalix::test::writeBytes (docs.getChildFile ("OrmalixCalibration.wav"), 1000, 10);

    {
        // The disk fills up in the middle of the archive.
        const ormalix::test::FileSizeLimit full (200000);
        ASSERT_TRUE (runArchiveAction (report, thread));
        waitForBuild (thread);
    }

    const auto zip = docs.getChildFile ("OrmalixMeasurement.zip");
    EXPECT_FALSE (zip.exists());
    EXPECT_TRUE (showArchiveFailure (report, thread));
    EXPECT_TRUE (report.getText().contains (zip.getFullPathName()));
    EXPECT_TRUE (report.getText().contains ("could not be written"));
    EXPECT_FALSE (report.getText().contains ("have been zipped into"));
    EXPECT_EQ (textColour(), juce::Colours::orange);
    EXPECT_FALSE (showArchiveFailure (report, thread));   // shown once
    EXPECT_TRUE (archiveFinished());                      // the bar goes as after a build

    // An archive that cannot even be created: its name leads into a missing folder.
    ASSERT_TRUE (docs.getChildFile ("missing").getChildFile ("x.zip").createSymbolicLink (zip, false));
    ASSERT_TRUE (runArchiveAction (report, thread));
    waitForBuild (thread);
    EXPECT_TRUE (showArchiveFailure (report, thread));
    EXPECT_TRUE (report.getText().contains ("could not be written"));
    EXPECT_FALSE (docs.getChildFile ("missing").exists());
}

TEST_F (Archive, AnUnreadableSourceLeavesNoArchive)
{
    ormalix::test::writeBytes (docs.getChildFile ("a.wav"), 1000, 11);
    ormalix::test::writeBytes (docs.getChildFile ("b.csv"), 1000, 12);
    const auto target = docs.getChildFile ("out.zip");
    std::atomic<double> progress { 0.0 };

    const auto failure = buildArchive ({ docs.getChildFile ("a.wav"), docs.getChildFile ("b.csv"),
                                         docs.getChildFile ("gone.wav"), target },
                                       progress);

    EXPECT_TRUE (failure.contains (docs.getChildFile ("gone.wav").getFullPathName()));
    EXPECT_FALSE (target.exists());
}

TEST_F (Archive, TeardownWaitsForTheBuild)
{
    makeMeasurement (plausibleSize);
    const auto zip = docs.getChildFile ("OrmalixMeasurement.zip");

    {
        StoreZipThread shortLived;
        ASSERT_TRUE (runArchiveAction (report, shortLived));
    }

    EXPECT_EQ (checkArchiveWithPeers (zip, entriesInOrder()), "");
}
} // namespace
