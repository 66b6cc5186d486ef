#pragma once

#include "WizardClock.h"
#include "archive/StoreZipThread.h"
#include "audio/AudioRecorder.h"
#include "audio/LiveScrollingAudioDisplay.h"
#include "audio/SoundcardSearch.h"
#include "audio/SpectrumComponent.h"
#include "headtracker/Bridge.h"
#include "headtracker/CalibrationThread.h"
#include "view/BinauralHeadView.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

// The wizard: the application's only screen and the owner of everything that does work.
// Members are declared in the order they must be built and torn down; the places marked
// "subsystem" hold the members that connect the wizard to the other subsystems.
class MainComponent : public juce::Component,
                      public juce::Button::Listener,
                      public juce::Timer
{
public:
    MainComponent();
    ~MainComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;
    void timerCallback() override;

    void startRecording();
    void stopRecording();
    void saveSettings2();
    void findAndConnectSerial();
    void findAndConnectSoundcard();

private:
    void setUpInstructionPanel (juce::TextEditor& panel, const juce::String& text);
    void setUpResultPanel (juce::TextEditor& panel, const juce::String& text);

    // Step actions (MainComponentSteps.cpp).
    void showStep (int step);
    void calibrationClicked();
    void endCalibration (bool fitted);
    void checkAudioClicked();
    void finishAudioCheck();
    void endAudioCheck();
    void measurementClicked();
    void systemResponseClicked();
    void archiveClicked();
    void reportRecordingFailure (juce::TextButton& button, const juce::String& idleText,
                                 juce::ProgressBar& bar, int step);
    void finishMeasurementOnExit();
    void setStepButtonsEnabled (bool enabled);
    juce::TextButton* stepButton (int step);
    juce::TextEditor* instructionPanel (int step);

public:
    // Where the head tracker is searched and how long each candidate is probed; the demo and the
    // tests point these at their own pseudo-terminals.
    juce::String serialDeviceFolder { "/dev" };
    int serialProbeWaitMs = 2000;

    // The wizard's one source of time (tests run long recordings in accelerated time).
    WizardClock clock;

    // An audio check ends when no cycle could be analysed for this long: no block arrived from
    // the card, or none that the check can use.
    static constexpr uint32_t audioCheckTimeoutMs = 10000;
    uint32_t lastAudioCycleMs = 0;
    int lastAudioCycleCount = 0;

public:
    // Public so that the step logic can be driven and inspected as a whole.
    juce::LookAndFeel_V4 lookAndFeel;

    LiveScrollingAudioDisplay liveDisplay;
    SoundcardSelectorComponent deviceSelector;
    AudioRecorder recorder;
    juce::TextButton triggerSpectrumButton { "Trigger Spectrum" };
    SpectrumComponent spectrum { triggerSpectrumButton };

    juce::TextButton stepButton1 { "step 1" }, stepButton2 { "step 2" }, stepButton3 { "step 3" },
                     stepButton4 { "step 4" }, stepButton5 { "step 5" }, stepButton6 { "step 6" };

    juce::TextEditor instructionPanel1, instructionPanel2, instructionPanel3,
                     instructionPanel4, instructionPanel5, instructionPanel6;
    juce::TextEditor notFoundPanel;
    juce::TextEditor audioResultPanel;
    juce::TextEditor archiveReportPanel;

    juce::Label captionLabel;

    juce::TextButton measurementButton { "HRTF measurement" };
    juce::TextButton systemResponseButton { "System calibration" };
    juce::TextButton archiveButton { "Zip files" };
    juce::TextButton calibrationButton { "Calibration" };
    juce::TextButton checkAudioButton { "Check audio " };

    StoreZipThread storeZipThread;

    // The bar's copy of progressZip, refreshed by the timer on the message thread.
    double zipProgressShown = 0.0;
    juce::ProgressBar zipProgressBar { zipProgressShown };

    Bridge bridge;
    BinauralHeadView headView;
    CalibrationThread calibrationThread;

    juce::String systemResponseTimeText, measurementTimeText, calibrationTimeText;
    uint32_t systemResponseStartMs = 0;
    uint32_t measurementStartMs = juce::Time::getMillisecondCounter();

    double calibrationProgress = 0.0;
    juce::ProgressBar calibrationProgressBar { calibrationProgress };
    double systemResponseProgress = 0.0;
    juce::ProgressBar systemResponseProgressBar { systemResponseProgress };
    double measurementProgress = 0.0;
    juce::ProgressBar measurementProgressBar { measurementProgress };

    int lastDotSlot = 0;

    juce::Image setupImage;
    juce::ImageComponent setupImageView;
    juce::Image systemResponseImage;
    juce::ImageComponent systemResponseImageView;

    bool soundcardConnected = false;

    juce::Slider rotationSpeedBar;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
