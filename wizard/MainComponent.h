#pragma once

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

private:
    void setUpInstructionPanel (juce::TextEditor& panel, const juce::String& text);
    void setUpResultPanel (juce::TextEditor& panel, const juce::String& text);

public:
    // Public so that the step logic can be driven and inspected as a whole.
    juce::LookAndFeel_V4 lookAndFeel;

    // subsystem: liveDisplay, deviceSelector, recorder, triggerSpectrumButton, spectrum

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

    // subsystem: storeZipThread

    double zipProgressShown = 0.0;
    juce::ProgressBar zipProgressBar { zipProgressShown };

    // subsystem: bridge, headView, calibrationThread

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
