// The wizard's clockwork: the recordings and the 50 ms timer that keeps the screen moving and
// ends work on time with posted clicks.
#include "MainComponent.h"

#include "TimeText.h"
#include "WizardTexts.h"
#include "archive/ArchiveAction.h"
#include "archive/ArchiveGlobals.h"
#include "audio/AudioGlobals.h"
#include "headtracker/TrackerGlobals.h"
#include "wizard/FileNaming.h"

#include <cmath>

namespace
{
constexpr double measurementSeconds = 900.0;
constexpr double systemResponseSeconds = 30.0;
constexpr double dotSlotSeconds = 0.3;
constexpr double tooFastDegreesPerSecond = 50.0;
} // namespace

void MainComponent::startRecording()
{
    const auto folder = documentsFolder();

    if (measurementButton.getToggleState())
    {
        recorder.startRecording (nextFreeFile (folder, "OrmalixMeasurement", ".wav"));
        measurementButton.setButtonText ("Abort");
    }
    else
    {
        recorder.startRecording (nextFreeFile (folder, "OrmalixCalibration", ".wav"));
        systemResponseButton.setButtonText ("Abort");
    }
}

void MainComponent::stopRecording()
{
    recorder.stop();

    if (measurementButton.getToggleState())
        measurementButton.setButtonText ("HRTF Measurement");
    else
        systemResponseButton.setButtonText ("Calibration");
}

void MainComponent::timerCallback()
{
    // 1. Head angles.
    headView.angleZ.store (bridge.eulerX, std::memory_order_release);
    headView.angleX.store (-bridge.eulerY, std::memory_order_release);
    headView.angleY.store (180.0f - bridge.eulerZ, std::memory_order_release);

    // 2. Calibration progress.
    const auto magSamples = numMagData.load (std::memory_order_acquire);
    calibrationProgress = magSamples / (double) magDataCapacity;
    calibrationTimeText = timeText (30.0 - 30.0 * calibrationProgress);
    calibrationProgressBar.setTextToDisplay (calibrationTimeText);

    // 3.
    const uint32_t now = clock.now();
    const double e = (uint32_t) (now - measurementStartMs) / 1000.0;

    // 4. One direction dot per 0.3-second slot; slots missed by a late tick are not made up.
    if (measurementButton.getToggleState())
    {
        const int n = (int) std::floor (e / dotSlotSeconds);
        if (lastDotSlot < n)
        {
            headView.dotCount.fetch_add (1, std::memory_order_acq_rel);
            headView.dotPending.store (true, std::memory_order_release);
            lastDotSlot = n;
        }
    }

    // 5.
    measurementProgress = e / measurementSeconds;
    measurementTimeText = timeText (measurementSeconds - e);
    measurementProgressBar.setTextToDisplay (measurementTimeText);

    // 6.
    const double e2 = (uint32_t) (now - systemResponseStartMs) / 1000.0;
    systemResponseProgress = e2 / systemResponseSeconds;
    systemResponseTimeText = timeText (systemResponseSeconds - e2);
    systemResponseProgressBar.setTextToDisplay (systemResponseTimeText);

    // 7. Calibration finished once the fit is done.
    if (magSamples == magDataCapacity && mag_calib_finished.load (std::memory_order_acquire)
        && calibrationButton.getToggleState())
        calibrationButton.triggerClick();

    // 8. One quality-check cycle per complete block while step 3 is shown.
    const bool blockReady = nextBlockReady.load (std::memory_order_acquire);
    if (blockReady && stepButton3.getToggleState())
        triggerSpectrumButton.triggerClick();

    // 9., 10.
    if (systemResponseButton.getToggleState() && systemResponseProgress > 1.0)
        systemResponseButton.triggerClick();
    if (measurementButton.getToggleState() && measurementProgress > 1.0)
        measurementButton.triggerClick();

    // 11. The archive.
    zipProgressShown = progressZip.load (std::memory_order_acquire);
    if (archiveFinished())
        zipProgressBar.setVisible (false);
    showArchiveFailure (archiveReportPanel, storeZipThread);

    // 12. Rotation speed.
    const double v = meanRotVel * 180.0 / juce::MathConstants<double>::pi;
    rotationSpeedBar.setColour (juce::Slider::trackColourId,
                                v > tooFastDegreesPerSecond ? juce::Colours::red : juce::Colours::black);
    rotationSpeedBar.setValue (v, juce::dontSendNotification);

    // 13. The quality check's finish, or its end when the card stopped sending.
    if (checkAudioButton.getToggleState())
    {
        if (spectrum.cycleCount != lastAudioCycleCount)
        {
            lastAudioCycleCount = spectrum.cycleCount;
            lastAudioCycleMs = now;
        }

        if (spectrum.isFinished())
        {
            checkAudioButton.setEnabled (true);
            checkAudioButton.triggerClick();
        }
        else if ((uint32_t) (now - lastAudioCycleMs) > audioCheckTimeoutMs)
        {
            endAudioCheck();
            audioResultPanel.setColour (juce::TextEditor::textColourId, juce::Colours::orange);
            audioResultPanel.applyColourToAllText (juce::Colours::orange);
            audioResultPanel.setText (WizardTexts::noSoundFromSoundcard, false);
        }
    }
}
