#include <gtest/gtest.h>

#include "WizardHarness.h"
#include "wizard/WizardTexts.h"

#include <cmath>
#include <set>

using ormalix::test::WizardHarness;

namespace
{
// The children a step leaves visible, without the step buttons and the caption (always shown).
std::set<juce::Component*> shownChildren (MainComponent& mc)
{
    std::set<juce::Component*> result;
    for (auto* c : mc.getChildren())
        if (c->isVisible())
            result.insert (c);
    for (auto* always : std::initializer_list<juce::Component*> { &mc.captionLabel, &mc.stepButton1, &mc.stepButton2,
                                                                  &mc.stepButton3, &mc.stepButton4, &mc.stepButton5,
                                                                  &mc.stepButton6 })
        result.erase (always);
    return result;
}

juce::TextButton& stepButton (MainComponent& mc, int step)
{
    juce::TextButton* buttons[] = { &mc.stepButton1, &mc.stepButton2, &mc.stepButton3,
                                    &mc.stepButton4, &mc.stepButton5, &mc.stepButton6 };
    return *buttons[step - 1];
}

bool stepButtonsEnabled (MainComponent& mc)
{
    for (int k = 1; k <= 6; ++k)
        if (! stepButton (mc, k).isEnabled())
            return false;
    return true;
}

bool stepButtonsDisabled (MainComponent& mc)
{
    for (int k = 1; k <= 6; ++k)
        if (stepButton (mc, k).isEnabled())
            return false;
    return true;
}
} // namespace

TEST (WizardSteps, EachStepShowsItsChildrenWithoutDevices)
{
    WizardHarness h (false, false);
    auto& mc = *h.wizard;

    const std::pair<int, std::set<juce::Component*>> expected[] = {
        { 2, { &mc.notFoundPanel, &mc.headView, &mc.rotationSpeedBar } },
        { 1, { &mc.instructionPanel1, &mc.setupImageView } },
        { 3, { &mc.audioResultPanel, &mc.spectrum } },
        { 4, { &mc.notFoundPanel, &mc.headView, &mc.rotationSpeedBar } },
        { 5, { &mc.instructionPanel5, &mc.systemResponseImageView, &mc.systemResponseButton } },
        { 6, { &mc.instructionPanel6, &mc.archiveButton } },
    };

    for (auto& [step, children] : expected)
    {
        h.click (stepButton (mc, step));
        EXPECT_EQ (shownChildren (mc), children) << "step " << step;
        for (int k = 1; k <= 6; ++k)
            EXPECT_EQ (stepButton (mc, k).getToggleState(), k == step) << "step " << step;

        if (step == 2)
            EXPECT_EQ (mc.notFoundPanel.getText(), WizardTexts::trackerNotFound);
        if (step == 3)
            EXPECT_EQ (mc.audioResultPanel.getText(), WizardTexts::soundcardNotFound);
        if (step == 4)
            EXPECT_EQ (mc.notFoundPanel.getText(), WizardTexts::devicesNotFound);
    }
    EXPECT_TRUE (stepButtonsEnabled (mc));
}

TEST (WizardSteps, DevicesShowTheActionButtonsAndAMissingCardRecoversAtTheNextClick)
{
    WizardHarness h (true, true);
    auto& mc = *h.wizard;

    h.card->setPluggedIn (false);
    h.click (mc.stepButton3);
    EXPECT_FALSE (mc.checkAudioButton.isVisible());
    EXPECT_EQ (mc.audioResultPanel.getText(), WizardTexts::soundcardNotFound);

    h.card->setPluggedIn (true);
    h.click (mc.stepButton3);
    EXPECT_EQ (shownChildren (mc),
               (std::set<juce::Component*> { &mc.audioResultPanel, &mc.spectrum, &mc.checkAudioButton, &mc.instructionPanel3 }));

    h.click (mc.stepButton2);
    ASSERT_TRUE (mc.bridge.connected);
    EXPECT_EQ (shownChildren (mc),
               (std::set<juce::Component*> { &mc.instructionPanel2, &mc.headView, &mc.rotationSpeedBar, &mc.calibrationButton }));

    h.click (mc.stepButton4);
    EXPECT_EQ (shownChildren (mc),
               (std::set<juce::Component*> { &mc.instructionPanel4, &mc.headView, &mc.rotationSpeedBar, &mc.measurementButton }));
}

TEST (WizardSteps, MeasurementRunsItsTimeTextsDotsAndEndsAfter900Seconds)
{
    WizardHarness h (true, true);
    auto& mc = *h.wizard;
    h.click (mc.stepButton4);
    ASSERT_TRUE (mc.measurementButton.isVisible());
    EXPECT_EQ (mc.measurementButton.getButtonText(), "HRTF measurement");

    h.click (mc.measurementButton);
    ASSERT_TRUE (mc.recorder.isRecording());
    EXPECT_EQ (mc.measurementButton.getButtonText(), "Abort");
    EXPECT_TRUE (mc.measurementButton.getToggleState());
    EXPECT_TRUE (stepButtonsDisabled (mc));
    EXPECT_TRUE (m_storeImuData.load());
    EXPECT_TRUE (mc.measurementProgressBar.isVisible());
    EXPECT_TRUE (h.documents().getChildFile ("OrmalixMeasurement.wav").existsAsFile());

    const uint32_t start = h.now;
    h.tick (0);
    EXPECT_EQ (mc.measurementTimeText, "15 min 0 s");
    h.tick (600);
    EXPECT_EQ (mc.measurementTimeText, "14 min 59 s");

    // A late tick adds one dot, whatever the slots it missed.
    EXPECT_EQ (mc.headView.dotCount.load(), 1);
    h.now = start + 3000;
    h.tick (0);
    EXPECT_EQ (mc.headView.dotCount.load(), 2);

    h.now = start + (uint32_t) ((900.0 - 59.5) * 1000.0);
    h.tick (0);
    EXPECT_EQ (mc.measurementTimeText, "1 min 0 s");
    h.now = start + (uint32_t) ((900.0 - 59.4) * 1000.0);
    h.tick (0);
    EXPECT_EQ (mc.measurementTimeText, "59 s");

    h.now = start + 900000;
    h.tick (50);   // the first tick past 900 s ends the recording
    EXPECT_FALSE (mc.recorder.isRecording());
    EXPECT_FALSE (mc.measurementButton.getToggleState());
    EXPECT_EQ (mc.measurementButton.getButtonText(), "HRTF Measurement");
    EXPECT_TRUE (stepButtonsEnabled (mc));
    EXPECT_FALSE (m_storeImuData.load());
    EXPECT_FALSE (mc.measurementProgressBar.isVisible());
    EXPECT_TRUE (h.documents().getChildFile ("OrmalixMeasurement.csv").existsAsFile());
}

TEST (WizardSteps, AFullMeasurementWithoutLateTicksCollects3000Dots)
{
    WizardHarness h (true, true);
    auto& mc = *h.wizard;
    h.click (mc.stepButton4);
    h.click (mc.measurementButton);
    ASSERT_TRUE (mc.recorder.isRecording());

    int ticks = 0;
    while (mc.measurementButton.getToggleState() && ticks < 20000)
    {
        h.now += 50;
        mc.timerCallback();
        ++ticks;
        if (ticks % 200 == 0)
            ormalix::test::pumpPendingMessages();
        else if (mc.measurementProgress > 1.0)
            WizardHarness::settle();   // the tick's stop click is handled before the next tick
    }
    EXPECT_EQ (ticks, 18001);
    EXPECT_EQ (mc.headView.dotCount.load(), 3000);
}

TEST (WizardSteps, RotationSpeedBarTurnsRedAbove50DegreesPerSecond)
{
    WizardHarness h (false, false);
    auto& mc = *h.wizard;
    const double degree = juce::MathConstants<double>::pi / 180.0;

    const std::tuple<double, juce::Colour, double> cases[] = {
        { 50.0, juce::Colours::black, 50.0 }, { 50.1, juce::Colours::red, 50.1 }, { 150.0, juce::Colours::red, 100.0 }
    };
    for (auto [speed, colour, shown] : cases)
    {
        meanRotVel = speed * degree;
        h.tick();
        EXPECT_EQ (mc.rotationSpeedBar.findColour (juce::Slider::trackColourId), colour) << speed;
        EXPECT_NEAR (mc.rotationSpeedBar.getValue(), shown, 1e-9) << speed;
    }
}

TEST (WizardSteps, CalibrationAbortKeepsTheOldValuesAndAFinishWaitsForTheFit)
{
    WizardHarness h (false, false);
    auto& mc = *h.wizard;
    const auto settings = h.documents().getChildFile ("HeadTrackerSettings.csv");
    ASSERT_TRUE (settings.existsAsFile());
    h.click (mc.stepButton2);

    h.click (mc.calibrationButton);
    EXPECT_EQ (mc.calibrationButton.getButtonText(), "Abort");
    EXPECT_TRUE (mc.calibrationProgressBar.isVisible());
    EXPECT_FALSE (mc.headView.isVisible());
    EXPECT_TRUE (stepButtonsDisabled (mc));
    h.tick();
    EXPECT_EQ (mc.calibrationTimeText, "30 s");

    settings.deleteFile();
    h.click (mc.calibrationButton);   // fewer than 3000 samples: an abort
    EXPECT_EQ (mc.calibrationButton.getButtonText(), "Calibration");
    EXPECT_FALSE (mc.calibrationProgressBar.isVisible());
    EXPECT_TRUE (mc.headView.isVisible());
    EXPECT_TRUE (mc.rotationSpeedBar.isVisible());
    EXPECT_TRUE (stepButtonsEnabled (mc));
    EXPECT_FALSE (settings.exists());
    mc.calibrationThread.stopThread (3000);

    // All samples stored: the bar reads 0 s, but the step ends only once the fit is done.
    h.click (mc.calibrationButton);
    ASSERT_TRUE (ormalix::test::pumpMessagesUntil ([] { return m_storeMagData.load(); }, 3000));
    numMagData.store (magDataCapacity);
    m_storeMagData.store (false);   // as the decoder does once the buffer is full
    ASSERT_TRUE (ormalix::test::pumpMessagesUntil ([] { return mag_calib_finished.load(); }, 5000));
    h.tick();
    EXPECT_EQ (mc.calibrationTimeText, "0 s");
    EXPECT_FALSE (mc.calibrationButton.getToggleState());
    EXPECT_TRUE (stepButtonsEnabled (mc));
    EXPECT_TRUE (settings.existsAsFile());
}

TEST (WizardSteps, SystemResponseRecordsThirtySecondsUnderNumberedNames)
{
    WizardHarness h (false, true);
    auto& mc = *h.wizard;
    h.documents().getChildFile ("OrmalixCalibration.wav").replaceWithText ("an older recording");
    h.click (mc.stepButton5);

    h.click (mc.systemResponseButton);
    ASSERT_TRUE (mc.recorder.isRecording());
    EXPECT_EQ (mc.systemResponseButton.getButtonText(), "Abort");
    EXPECT_TRUE (stepButtonsDisabled (mc));
    h.tick (0);
    EXPECT_EQ (mc.systemResponseTimeText, "30 s");

    h.tick (30000);
    EXPECT_TRUE (mc.recorder.isRecording()) << "ends only after more than 30 s";
    h.tick (50);
    EXPECT_FALSE (mc.recorder.isRecording());
    EXPECT_EQ (mc.systemResponseButton.getButtonText(), "Calibration");
    EXPECT_TRUE (stepButtonsEnabled (mc));
    EXPECT_TRUE (h.documents().getChildFile ("OrmalixCalibration(2).wav").existsAsFile());
    EXPECT_EQ (h.documents().getChildFile ("OrmalixCalibration.wav").loadFileAsString(), "an older recording");
    EXPECT_FALSE (h.documents().getChildFile ("OrmalixMeasurement.csv").exists());
}

TEST (WizardSteps, ARecordingThatCannotStartEndsAtOnceAndSaysWhy)
{
    WizardHarness h (false, false);
    auto& mc = *h.wizard;
    h.click (mc.stepButton5);

    h.click (mc.systemResponseButton);
    EXPECT_FALSE (mc.recorder.isRecording());
    EXPECT_FALSE (mc.systemResponseButton.getToggleState());
    EXPECT_EQ (mc.systemResponseButton.getButtonText(), "System calibration");
    EXPECT_FALSE (mc.systemResponseProgressBar.isVisible());
    EXPECT_TRUE (stepButtonsEnabled (mc));
    EXPECT_TRUE (mc.notFoundPanel.isVisible());
    EXPECT_TRUE (mc.notFoundPanel.getText().startsWith ("Nothing could be recorded"));
    EXPECT_TRUE (h.documents().findChildFiles (juce::File::findFiles, false, "*.wav").isEmpty());

    h.click (mc.stepButton6);   // the step can be left
    EXPECT_TRUE (mc.stepButton6.getToggleState());
}

TEST (WizardSteps, AudioCheckGivesItsVerdictOrEndsWhenNoBlockArrives)
{
    WizardHarness h (false, true, false);
    auto& mc = *h.wizard;
    h.card->setSpeed (4.0);
    h.click (mc.stepButton3);
    ASSERT_TRUE (mc.checkAudioButton.isVisible());

    h.click (mc.checkAudioButton);
    EXPECT_FALSE (mc.checkAudioButton.isEnabled());
    EXPECT_TRUE (stepButtonsDisabled (mc));
    ASSERT_TRUE (ormalix::test::pumpMessagesUntil ([&] { return ! mc.checkAudioButton.getToggleState(); }, 20000));
    EXPECT_EQ (mc.audioResultPanel.getText(), "All audio checks have been successfully passed. You are ready to roll! ");
    EXPECT_TRUE (stepButtonsEnabled (mc));
    EXPECT_TRUE (mc.checkAudioButton.isEnabled());

    // The card pulled out during a check: after 10 s without a block the check ends.
    uint32_t fake = juce::Time::getMillisecondCounter();
    mc.clock.source = [&] { return fake; };
    h.click (mc.checkAudioButton);
    h.card->setPluggedIn (false);
    ormalix::test::pumpMessagesFor (300);
    fake += MainComponent::audioCheckTimeoutMs + 100;
    mc.timerCallback();
    EXPECT_FALSE (mc.checkAudioButton.getToggleState());
    EXPECT_TRUE (stepButtonsEnabled (mc));
    EXPECT_EQ (mc.audioResultPanel.getText(), WizardTexts::noSoundFromSoundcard);
}

TEST (WizardSteps, QuittingDuringAMeasurementStillWritesItsLog)
{
    WizardHarness h (true, true);
    auto& mc = *h.wizard;
    h.click (mc.stepButton4);
    h.click (mc.measurementButton);
    ASSERT_TRUE (mc.recorder.isRecording());
    ormalix::test::pumpMessagesFor (300);

    h.wizard.reset();
    EXPECT_TRUE (h.documents().getChildFile ("OrmalixMeasurement.wav").existsAsFile());
    EXPECT_TRUE (h.documents().getChildFile ("OrmalixMeasurement.csv").existsAsFile());
}

TEST (WizardSteps, AudioCheckOnACardTooFastToAnalyseEndsInsteadOfHanging)
{
    WizardHarness h (false, true, false);
    auto& mc = *h.wizard;
    auto card = h.card->getCard();
    card.sampleRates = { 96000.0 };
    h.card->setCard (card);
    GetSharedAudioDeviceManager().closeAudioDevice();   // opened at 48 kHz by an earlier test of this process
    h.card->setSpeed (4.0);
    h.click (mc.stepButton3);
    ASSERT_TRUE (mc.checkAudioButton.isVisible());

    uint32_t fake = juce::Time::getMillisecondCounter();
    mc.clock.source = [&] { return fake; };
    h.click (mc.checkAudioButton);
    ormalix::test::pumpMessagesFor (1500);   // blocks arrive, but none can be analysed at 96 kHz
    EXPECT_TRUE (mc.checkAudioButton.getToggleState());
    fake += MainComponent::audioCheckTimeoutMs + 100;
    mc.timerCallback();
    EXPECT_FALSE (mc.checkAudioButton.getToggleState());
    EXPECT_TRUE (stepButtonsEnabled (mc));
}
