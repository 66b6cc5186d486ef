#pragma once

#include "Meters.h"
#include "QualityCycle.h"
#include "QualityVerdict.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

// The audio quality check on screen: runs one analysis cycle per click of the wizard's hidden
// trigger button, keeps the check's statistics (inherited: meanSnrDb, cycleCount, the peaks)
// and owns the four meters, which it lays out in paint.
//
// The wizard drives it:
//   start   (check button clicked while its toggle is off): recorder.restartAnalysisBlock();
//           spectrum.startCheck(); set the check button's toggle on, disable it and the step buttons.
//   tick    (every 50 ms): if nextBlockReady and step 3 is shown, triggerButton.triggerClick();
//           if spectrum.isFinished() and the check button's toggle is on, enable it and click it.
//   finish  (check button clicked while its toggle is on): spectrum.showVerdict (instructionPanel3,
//           audioResultPanel); set the toggle off, enable the step buttons.
class SpectrumComponent : public juce::Component,
                          public juce::Button::Listener,
                          public ormalix::audio::QualityCheckState
{
public:
    explicit SpectrumComponent (juce::Button& triggerButton);
    ~SpectrumComponent() override;

    void paint (juce::Graphics& g) override;
    void buttonClicked (juce::Button* button) override;

    // One cycle on the waiting block; does nothing unless nextBlockReady is set.
    void runCycle();

    void resampleChirpLagrange();

    // Start of a check: the statistics become 0, so the next five blocks make up the check.
    void startCheck();

    // Five cycles are done while a check was started: time for the wizard's finish click.
    bool isFinished() const { return cycleCount == cyclesPerCheck; }

    ormalix::audio::Verdict verdict() const { return ormalix::audio::chooseVerdict (*this); }

    // The finish's texts: the new step-3 instruction, then the verdict in orange or light green.
    void showVerdict (juce::TextEditor& instructionPanel, juce::TextEditor& resultPanel) const;

    // Where a cycle reads the device's sample rate (0 when no device runs); the shared audio
    // device manager's current device unless replaced.
    std::function<double()> deviceRate;

    juce::Button* triggerButton;
    ormalix::audio::QualityCycle cycle;
    ormalix::audio::CycleResult lastCycle;

    VerticalLevelMeter levelMeterLeft, levelMeterRight;
    VerticalSNRMeter snrMeterLeft, snrMeterRight;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrumComponent)
};
