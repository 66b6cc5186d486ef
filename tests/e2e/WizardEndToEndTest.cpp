// The whole measurement through the real wizard in a window: the simulated head tracker on a
// pseudo-terminal, the simulated card in the shared audio device manager, the real timers, and
// a clock that jumps ahead where a recording would take minutes.
#include <gtest/gtest.h>

#include "support/LittleEndian.h"
#include "support/XvfbWindowAtoms.h"
#include "wizard/WizardHarness.h"
#include "wizard/Settings.h"

#include <cstdio>
#include <cstring>

using namespace ormalix::test;

namespace
{
// A measurement or system-response WAV: 16-bit stereo at 48 kHz, the header's sizes matching
// the samples that follow.
void expectRecording (const juce::File& wav, double minSeconds)
{
    juce::MemoryBlock bytes;
    ASSERT_TRUE (wav.loadFileAsData (bytes)) << wav.getFullPathName();
    ASSERT_GE (bytes.getSize(), 104u);
    EXPECT_EQ (fourCC (bytes, 0), "RIFF");
    EXPECT_EQ (le32 (bytes, 4), bytes.getSize() - 8);
    EXPECT_EQ (fourCC (bytes, 8), "WAVE");
    const auto* start = static_cast<const char*> (bytes.getData());
    const auto* found = static_cast<const char*> (memmem (start, 96, "fmt ", 4));
    ASSERT_NE (found, nullptr);
    const auto fmt = found - start;
    EXPECT_EQ (le16 (bytes, (size_t) fmt + 8), 1);        // PCM
    EXPECT_EQ (le16 (bytes, (size_t) fmt + 10), 2);       // stereo
    EXPECT_EQ (le32 (bytes, (size_t) fmt + 12), 48000u);
    EXPECT_EQ (le32 (bytes, (size_t) fmt + 16), 192000u); // bytes of samples per second
    EXPECT_EQ (le16 (bytes, (size_t) fmt + 20), 4);
    EXPECT_EQ (le16 (bytes, (size_t) fmt + 22), 16);
    EXPECT_EQ (fourCC (bytes, 96), "data");
    const auto dataBytes = le32 (bytes, 100);
    EXPECT_EQ (dataBytes, bytes.getSize() - 104);
    EXPECT_EQ (dataBytes % 4, 0u);
    EXPECT_GE (dataBytes / 192000.0, minSeconds);
}

std::string run (const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen (command.c_str(), "r"))
    {
        char buffer[512];
        while (fgets (buffer, sizeof (buffer), pipe) != nullptr)
            out += buffer;
        pclose (pipe);
    }
    return out;
}
} // namespace

TEST (WizardEndToEnd, AWholeMeasurementFromTrackerToArchive)
{
    if (! windowManagerAtoms.available)
        GTEST_SKIP() << "needs an X display";

    WizardHarness h (true, true, false);
    auto& mc = *h.wizard;
    uint32_t skipped = 0;   // how far the wizard's clock runs ahead of the real one
    mc.clock.source = [&] { return juce::Time::getMillisecondCounter() + skipped; };

    juce::DocumentWindow window ("Ormalix", juce::Colours::black, 0);
    window.setContentNonOwned (&mc, false);
    window.setBounds (0, 0, 1440, 900);
    window.setVisible (true);
    const auto docs = h.documents();

    // Step 2: the tracker is found; a calibration of 30 real seconds installs the known distortion.
    h.click (mc.stepButton2);
    ASSERT_TRUE (mc.bridge.connected);
    ASSERT_TRUE (mc.calibrationButton.isVisible());
    docs.getChildFile ("HeadTrackerSettings.csv").deleteFile();
    testing::internal::CaptureStdout();
    h.click (mc.calibrationButton);
    const bool calibrated = pumpMessagesUntil ([&] { return ! mc.calibrationButton.getToggleState(); }, 60000);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE (calibrated);
    const ormalix::sim::MagnetometerDistortion distortion;   // the simulator's default
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR (magnetometerOffset[i], -distortion.centre[i], 1.0) << i;
    const auto sortedRadii = [] (std::array<double, 3> r) { std::sort (r.begin(), r.end()); return r; };
    const auto fitted = sortedRadii ({ magnetometerRadii[0], magnetometerRadii[1], magnetometerRadii[2] });
    const auto known = sortedRadii ({ distortion.radii[0], distortion.radii[1], distortion.radii[2] });
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR (fitted[(size_t) i], known[(size_t) i], 0.02 * known[(size_t) i]);
    EXPECT_EQ (docs.getChildFile ("HeadTrackerSettings.csv").loadFileAsString(),
               juce::String (formatSettingsText (currentCalibration())));

    // Step 3: a good room passes, a silent one is too quiet.
    h.card->setSpeed (4.0);
    for (auto [silent, verdict] : { std::pair { false, "All audio checks have been successfully passed." },
                                    std::pair { true, "The sound level of the microphones is too low." } })
    {
        auto room = h.card->getRoom();
        room.silence = silent;
        room.noise = silent ? 0.0f : room.noise;
        h.card->setRoom (room);
        h.click (mc.stepButton3);
        ASSERT_TRUE (mc.checkAudioButton.isVisible());
        h.click (mc.checkAudioButton);
        ASSERT_TRUE (pumpMessagesUntil ([&] { return ! mc.checkAudioButton.getToggleState(); }, 30000));
        EXPECT_TRUE (mc.audioResultPanel.getText().startsWith (verdict)) << mc.audioResultPanel.getText();
    }
    h.card->setSpeed (1.0);

    // Steps 4 and 5, twice: 900 and 30 seconds on the wizard's clock, about two real ones each.
    for (const juce::String suffix : { "", "(2)" })
    {
        h.click (mc.stepButton4);
        ASSERT_TRUE (mc.measurementButton.isVisible());
        const auto storedBefore = numImuData;
        h.click (mc.measurementButton);
        ASSERT_TRUE (mc.recorder.isRecording());
        pumpMessagesFor (2000);
        skipped += 900000;
        ASSERT_TRUE (pumpMessagesUntil ([&] { return ! mc.recorder.isRecording(); }, 5000));
        EXPECT_GT (numImuData, storedBefore + 50);   // two real seconds of a 100 Hz tracker
        EXPECT_GT (mc.headView.dotCount.load(), 0);
        expectRecording (docs.getChildFile ("OrmalixMeasurement" + suffix + ".wav"), 1.5);
        const auto log = docs.getChildFile ("OrmalixMeasurement" + suffix + ".csv");
        juce::StringArray lines;
        lines.addLines (log.loadFileAsString().trimEnd());
        EXPECT_EQ ((unsigned) lines.size(), numImuData - 1);

        h.click (mc.stepButton5);
        h.click (mc.systemResponseButton);
        ASSERT_TRUE (mc.recorder.isRecording());
        pumpMessagesFor (1500);
        skipped += 30000;
        ASSERT_TRUE (pumpMessagesUntil ([&] { return ! mc.recorder.isRecording(); }, 5000));
        expectRecording (docs.getChildFile ("OrmalixCalibration" + suffix + ".wav"), 1.0);
    }

    // Step 6: the newest three files in one archive, read back by Python's zipfile.
    h.click (mc.stepButton6);
    h.click (mc.archiveButton);
    ASSERT_TRUE (mc.zipProgressBar.isVisible());
    ASSERT_TRUE (pumpMessagesUntil ([&] { return ! mc.zipProgressBar.isVisible(); }, 30000));
    const auto zip = docs.getChildFile ("OrmalixMeasurement.zip");
    ASSERT_TRUE (zip.existsAsFile());
    EXPECT_TRUE (mc.archiveReportPanel.getText().contains ("have been zipped into"));
    const auto listing = run ("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                              "assert z.testzip() is None; print(sorted((i.filename, i.compress_type) for i in z.infolist()))\" '"
                              + zip.getFullPathName().toStdString() + "'");
    EXPECT_EQ (listing, "[('OrmalixCalibration(2).wav', 8), ('OrmalixMeasurement(2).csv', 8), ('OrmalixMeasurement(2).wav', 8)]\n");

    window.clearContentComponent();
}
