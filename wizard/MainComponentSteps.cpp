// The wizard's step actions: what each step button and action button does.
#include "MainComponent.h"

#include "WizardTexts.h"
#include "wizard/FileNaming.h"
#include "archive/ArchiveAction.h"
#include "audio/AudioGlobals.h"
#include "headtracker/SerialProbe.h"
#include "headtracker/TrackerGlobals.h"
#include "wizard/OrientationLog.h"
#include "wizard/Settings.h"

namespace
{

// Which children a step shows: yes, no, or decided by the step's condition (shown by it).
enum Show : char { no, yes, cond };
} // namespace

juce::TextButton* MainComponent::stepButton (int step)
{
    juce::TextButton* buttons[] = { &stepButton1, &stepButton2, &stepButton3, &stepButton4, &stepButton5, &stepButton6 };
    return buttons[step - 1];
}

juce::TextEditor* MainComponent::instructionPanel (int step)
{
    juce::TextEditor* panels[] = { &instructionPanel1, &instructionPanel2, &instructionPanel3,
                                   &instructionPanel4, &instructionPanel5, &instructionPanel6 };
    return panels[step - 1];
}

void MainComponent::setStepButtonsEnabled (bool enabled)
{
    for (int k = 1; k <= 6; ++k)
        stepButton (k)->setEnabled (enabled);
}

void MainComponent::buttonClicked (juce::Button* button)
{
    for (int k = 1; k <= 6; ++k)
    {
        if (button == stepButton (k))
        {
            showStep (k);
            return;
        }
    }

    if (button == &measurementButton)
        measurementClicked();
    else if (button == &systemResponseButton)
        systemResponseClicked();
    else if (button == &archiveButton)
        archiveClicked();
    else if (button == &checkAudioButton)
        checkAudioClicked();
    else if (button == &calibrationButton)
        calibrationClicked();
}

void MainComponent::findAndConnectSerial()
{
    ::findAndConnectSerial (bridge, serialDeviceFolder, serialProbeWaitMs);
}

void MainComponent::findAndConnectSoundcard()
{
    ormalix::audio::findAndConnectSoundcard (soundcardConnected, recorder);
}

void MainComponent::saveSettings2()
{
    saveSettings (documentsFolder());
}

void MainComponent::showStep (int step)
{
    // 1. The devices this step needs.
    switch (step)
    {
        case 2: findAndConnectSerial(); bridge.resetOrientation(); break;
        case 3: findAndConnectSoundcard(); break;
        case 4:
        case 5: findAndConnectSoundcard(); findAndConnectSerial(); break;
        default: break;
    }

    // 2.
    if (step == 4)
    {
        headView.dotCount.store (0, std::memory_order_release);
        headView.dotPending.store (false, std::memory_order_release);
    }

    // 3.
    for (int k = 1; k <= 6; ++k)
        stepButton (k)->setToggleState (k == step, juce::dontSendNotification);

    // 4. Visibility, step 1 to step 6.
    const std::pair<juce::Component*, std::array<Show, 6>> table[] = {
        { &instructionPanel1,       { yes, no, no, no, no, no } },
        { &instructionPanel2,       { no, cond, no, no, no, no } },
        { &instructionPanel3,       { no, no, cond, no, no, no } },
        { &instructionPanel4,       { no, no, no, cond, no, no } },
        { &instructionPanel5,       { no, no, no, no, yes, no } },
        { &instructionPanel6,       { no, no, no, no, no, yes } },
        { &notFoundPanel,           { no, cond, no, cond, no, no } },
        { &audioResultPanel,        { no, no, yes, no, no, no } },
        { &archiveReportPanel,      { no, no, no, no, no, no } },
        { &headView,                { no, yes, no, yes, no, no } },
        { &rotationSpeedBar,        { no, yes, no, yes, no, no } },
        { &setupImageView,          { yes, no, no, no, no, no } },
        { &systemResponseImageView, { no, no, no, no, yes, no } },
        { &spectrum,                { no, no, yes, no, no, no } },
        { &calibrationButton,       { no, cond, no, no, no, no } },
        { &checkAudioButton,        { no, no, cond, no, no, no } },
        { &measurementButton,       { no, no, no, cond, no, no } },
        { &systemResponseButton,    { no, no, no, no, yes, no } },
        { &archiveButton,           { no, no, no, no, no, yes } },
    };
    for (auto& [child, shown] : table)
        child->setVisible (shown[(size_t) step - 1] == yes);

    // 5. The quality check starts from a fresh block of input.
    if (step == 3)
        recorder.restartAnalysisBlock();

    // 6. The step's condition.
    switch (step)
    {
        case 2:
            if (bridge.connected)
            {
                calibrationButton.setVisible (true);
                instructionPanel2.setVisible (true);
            }
            else
            {
                notFoundPanel.setText (WizardTexts::trackerNotFound, false);
                notFoundPanel.setVisible (true);
            }
            break;

        case 3:
            if (soundcardConnected)
            {
                checkAudioButton.setVisible (true);
                instructionPanel3.setVisible (true);
            }
            else
            {
                audioResultPanel.setText (WizardTexts::soundcardNotFound, false);
            }
            break;

        case 4:
            if (bridge.connected && soundcardConnected)
            {
                measurementButton.setVisible (true);
                instructionPanel4.setVisible (true);
            }
            else
            {
                notFoundPanel.setText (WizardTexts::devicesNotFound, false);
                notFoundPanel.setVisible (true);
            }
            break;

        default:
            break;
    }
}

void MainComponent::calibrationClicked()
{
    if (! calibrationButton.getToggleState())
    {
        calibrationButton.setToggleState (true, juce::dontSendNotification);
        calibrationButton.setButtonText ("Abort");
        calibrationThread.startThread();
        headView.setVisible (false);
        rotationSpeedBar.setVisible (false);
        calibrationProgressBar.setVisible (true);
        setStepButtonsEnabled (false);
        return;
    }

    if (numMagData.load (std::memory_order_acquire) == magDataCapacity)
    {
        endCalibration (true);
        return;
    }

    // Aborted before enough samples: the thread ends without fitting; the old calibration stays.
    m_storeMagData.store (false, std::memory_order_release);
    numMagData.store (0, std::memory_order_release);
    endCalibration (false);
}

void MainComponent::endCalibration (bool fitted)
{
    calibrationButton.setButtonText ("Calibration");
    headView.setVisible (true);
    rotationSpeedBar.setVisible (true);
    calibrationProgressBar.setVisible (false);
    calibrationButton.setToggleState (false, juce::dontSendNotification);
    setStepButtonsEnabled (true);
    if (fitted)
        saveSettings2();
}

void MainComponent::checkAudioClicked()
{
    if (! checkAudioButton.getToggleState())
    {
        recorder.restartAnalysisBlock();
        spectrum.startCheck();
        checkAudioButton.setToggleState (true, juce::dontSendNotification);
        checkAudioButton.setEnabled (false);
        setStepButtonsEnabled (false);
        lastAudioCycleMs = clock.now();
        lastAudioCycleCount = spectrum.cycleCount;
        return;
    }

    finishAudioCheck();
}

void MainComponent::finishAudioCheck()
{
    spectrum.showVerdict (instructionPanel3, audioResultPanel);
    endAudioCheck();
}

void MainComponent::endAudioCheck()
{
    checkAudioButton.setToggleState (false, juce::dontSendNotification);
    checkAudioButton.setEnabled (true);
    setStepButtonsEnabled (true);
}

void MainComponent::measurementClicked()
{
    if (! recorder.isRecording())
    {
        const auto idleText = measurementButton.getButtonText();
        bridge.resetOrientation();
        saveSettings2();
        headView.dotCount.store (0, std::memory_order_release);
        headView.dotPending.store (false, std::memory_order_release);
        measurementButton.setToggleState (true, juce::dontSendNotification);
        startRecording();
        setStepButtonsEnabled (false);
        m_storeImuData.store (true, std::memory_order_release);
        measurementStartMs = clock.now();
        measurementProgressBar.setVisible (true);

        if (! recorder.isRecording())
        {
            m_storeImuData.store (false, std::memory_order_release);
            reportRecordingFailure (measurementButton, idleText, measurementProgressBar, 4);
        }
        return;
    }

    lastDotSlot = 0;
    stopRecording();
    measurementButton.setToggleState (false, juce::dontSendNotification);
    setStepButtonsEnabled (true);
    m_storeImuData.store (false, std::memory_order_release);
    measurementProgressBar.setVisible (false);
    writeOrientationLog (documentsFolder());
}

void MainComponent::systemResponseClicked()
{
    if (! recorder.isRecording())
    {
        const auto idleText = systemResponseButton.getButtonText();
        systemResponseButton.setToggleState (true, juce::dontSendNotification);
        startRecording();
        setStepButtonsEnabled (false);
        m_storeImuData.store (false, std::memory_order_release);
        systemResponseStartMs = clock.now();
        systemResponseProgressBar.setVisible (true);

        if (! recorder.isRecording())
            reportRecordingFailure (systemResponseButton, idleText, systemResponseProgressBar, 5);
        return;
    }

    stopRecording();
    systemResponseButton.setToggleState (false, juce::dontSendNotification);
    setStepButtonsEnabled (true);
    systemResponseProgressBar.setVisible (false);
    m_storeImuData.store (false, std::memory_order_release);
}

// A recording that could not start ends at once, so the step can be left, and says why in the
// step's panel.
void MainComponent::reportRecordingFailure (juce::TextButton& button, const juce::String& idleText,
                                            juce::ProgressBar& bar, int step)
{
    button.setToggleState (false, juce::dontSendNotification);
    button.setButtonText (idleText);
    bar.setVisible (false);
    setStepButtonsEnabled (true);

    auto* device = GetSharedAudioDeviceManager().getCurrentAudioDevice();
    const bool deviceRuns = device != nullptr && device->isPlaying();
    const juce::String stepName = "'step" + juce::String (step) + "'";
    notFoundPanel.setText (deviceRuns ? WizardTexts::recordingFileFailed (documentsFolder().getFullPathName(), stepName)
                                      : WizardTexts::recordingNoDevice (stepName),
                           false);
    instructionPanel (step)->setVisible (false);
    notFoundPanel.setVisible (true);
}

void MainComponent::archiveClicked()
{
    if (runArchiveAction (archiveReportPanel, storeZipThread))
    {
        zipProgressBar.setVisible (true);
        headView.dotCount.store (0, std::memory_order_release);
        headView.dotPending.store (false, std::memory_order_release);
    }
}

// Quitting during a measurement still leaves its head-orientation log beside the recording,
// so the archive never pairs the recording with an older log.
void MainComponent::finishMeasurementOnExit()
{
    if (measurementButton.getToggleState() && recorder.isRecording())
    {
        recorder.stop();
        m_storeImuData.store (false, std::memory_order_release);
        writeOrientationLog (documentsFolder());
    }
}
