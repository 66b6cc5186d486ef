#include "MainComponent.h"

#include "WizardLayout.h"
#include "WizardTexts.h"
#include "wizard/FileNaming.h"
#include "audio/AudioGlobals.h"
#include "headtracker/TrackerGlobals.h"
#include "wizard/Settings.h"

#include <BinaryData.h>

#include <unistd.h>

namespace
{
juce::Image loadIllustration (const char* data, int size)
{
    return juce::ImageCache::getFromMemory (data, size);
}

} // namespace

MainComponent::MainComponent()
{
    setupImage = loadIllustration (BinaryData::SetupIllustration_png, BinaryData::SetupIllustration_pngSize);
    systemResponseImage = loadIllustration (BinaryData::SystemResponseIllustration_png,
                                            BinaryData::SystemResponseIllustration_pngSize);

    // 1. Every file of the program lives in the documents folder. A fresh account may have
    //    none (JUCE names it but does not create it), and then every recording would be lost.
    const auto documents = documentsFolder();
    if (! documents.isDirectory())
        documents.createDirectory();
    // Failing to enter it is not reported: every file is named by its full path anyway.
    [[maybe_unused]] const int changed = ::chdir (documents.getFullPathName().toRawUTF8());

    // 2. Caption.
    addAndMakeVisible (captionLabel);
    captionLabel.setLookAndFeel (&lookAndFeel);
    captionLabel.setText (juce::String (juce::Time::getCurrentTime().getYear()) + " " + WizardTexts::productName,
                          juce::dontSendNotification);
    captionLabel.setJustificationType (juce::Justification::bottomLeft);
    captionLabel.setColour (juce::Label::textColourId, juce::Colours::white);

    // 3. Rotation-speed bar.
    addChildComponent (rotationSpeedBar);
    rotationSpeedBar.setSliderStyle (juce::Slider::LinearVertical);
    rotationSpeedBar.setRange (0.0, 100.0, 0.0);
    rotationSpeedBar.setTextBoxStyle (juce::Slider::NoTextBox, false, 0, 0);
    rotationSpeedBar.setColour (juce::Slider::thumbColourId,
                                getLookAndFeel().findColour (juce::TextButton::buttonOnColourId));
    rotationSpeedBar.setAlwaysOnTop (true);

    // 4. Illustrations.
    setupImageView.setImage (setupImage);
    addAndMakeVisible (setupImageView);
    systemResponseImageView.setImage (systemResponseImage);
    addChildComponent (systemResponseImageView);

    // 5. Step buttons.
    for (auto* b : { &stepButton1, &stepButton2, &stepButton3, &stepButton4, &stepButton5, &stepButton6 })
    {
        b->addListener (this);
        b->setLookAndFeel (&lookAndFeel);
        addAndMakeVisible (b);
    }

    // 6. Text panels.
    setUpInstructionPanel (instructionPanel1, WizardTexts::instruction1);
    instructionPanel1.setVisible (true);
    stepButton1.setToggleState (true, juce::dontSendNotification);
    setUpInstructionPanel (instructionPanel2, WizardTexts::instruction2);
    setUpInstructionPanel (notFoundPanel, WizardTexts::trackerNotFoundInitial);
    setUpInstructionPanel (instructionPanel3, WizardTexts::instruction3);
    setUpResultPanel (audioResultPanel, WizardTexts::noAudioChecksYet);
    setUpInstructionPanel (instructionPanel4, WizardTexts::instruction4);
    setUpInstructionPanel (instructionPanel5, WizardTexts::instruction5);
    setUpInstructionPanel (instructionPanel6, WizardTexts::instruction6);
    setUpResultPanel (archiveReportPanel, {});
    m_storeImuData.store (false, std::memory_order_release);

    // 7.
    setOpaque (true);
    addChildComponent (deviceSelector);
    addChildComponent (spectrum);

    // 8.
    for (auto* b : { &calibrationButton, &checkAudioButton })
    {
        b->setLookAndFeel (&lookAndFeel);
        b->addListener (this);
        addChildComponent (b);
    }

    // 9.
    calibrationProgressBar.setLookAndFeel (&lookAndFeel);
    addChildComponent (calibrationProgressBar);
    addChildComponent (headView);

    // The saved calibration (or the built-in one), written back at once.
    loadSettings (documents);

    // 10.
    for (auto* b : { &systemResponseButton, &measurementButton, &archiveButton })
    {
        b->setLookAndFeel (&lookAndFeel);
        b->addListener (this);
        addChildComponent (b);
    }

    // 11.
    for (auto* bar : { &zipProgressBar, &systemResponseProgressBar, &measurementProgressBar })
    {
        bar->setLookAndFeel (&lookAndFeel);
        addChildComponent (bar);
    }
    startTimer (50);
}

MainComponent::~MainComponent()
{
    finishMeasurementOnExit();
    GetSharedAudioDeviceManager().removeAudioCallback (&recorder);
    GetSharedAudioDeviceManager().removeAudioCallback (&liveDisplay);

    for (auto* b : { &stepButton1, &stepButton2, &stepButton3, &stepButton4, &stepButton5, &stepButton6,
                     &measurementButton, &systemResponseButton, &archiveButton, &calibrationButton, &checkAudioButton })
        b->removeListener (this);
    stopTimer();

    // The look-and-feel is destroyed last; detach it so no child refers to it on the way out.
    for (auto* c : getChildren())
        c->setLookAndFeel (nullptr);
}

void MainComponent::setUpInstructionPanel (juce::TextEditor& panel, const juce::String& text)
{
    addChildComponent (panel);
    panel.setMultiLine (true, true);
    panel.setReturnKeyStartsNewLine (true);
    panel.setReadOnly (true);
    panel.setScrollbarsShown (true);
    panel.setCaretVisible (false);
    panel.setPopupMenuEnabled (true);
    panel.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x32ffffff));
    panel.setColour (juce::TextEditor::outlineColourId, juce::Colour (0x1c000000));
    panel.setColour (juce::TextEditor::shadowColourId, juce::Colour (0x16000000));
    panel.setFont (juce::Font (20.0f));
    panel.setText (text, false);
}

void MainComponent::setUpResultPanel (juce::TextEditor& panel, const juce::String& text)
{
    addChildComponent (panel);
    panel.setMultiLine (true, true);
    panel.setReturnKeyStartsNewLine (true);
    panel.setReadOnly (true);
    panel.setJustification (juce::Justification::horizontallyCentred);
    const auto background = getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);
    panel.setColour (juce::TextEditor::backgroundColourId, background);
    panel.setColour (juce::TextEditor::outlineColourId, background);
    panel.setFont (juce::Font (20.0f));
    panel.setText (text, false);
}

void MainComponent::paint (juce::Graphics& g)
{
    g.fillAll (getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId));
}

void MainComponent::resized()
{
    const auto layout = WizardLayout::compute (getWidth(), getHeight());

    captionLabel.setBounds (layout.caption);

    juce::TextButton* steps[] = { &stepButton1, &stepButton2, &stepButton3, &stepButton4, &stepButton5, &stepButton6 };
    for (size_t k = 0; k < 6; ++k)
        steps[k]->setBounds (layout.stepButtons[k]);

    for (auto* panel : { &instructionPanel1, &instructionPanel2, &instructionPanel3, &instructionPanel4,
                         &instructionPanel5, &instructionPanel6, &notFoundPanel })
        panel->setBounds (layout.rightPanel);

    for (auto* b : { &measurementButton, &systemResponseButton, &archiveButton, &calibrationButton, &checkAudioButton })
        b->setBounds (layout.actionButtons);

    setupImageView.setBounds (layout.illustrations);
    systemResponseImageView.setBounds (layout.illustrations);

    for (auto* bar : { &calibrationProgressBar, &systemResponseProgressBar, &measurementProgressBar, &zipProgressBar })
        bar->setBounds (layout.progressBars);

    audioResultPanel.setBounds (layout.centreSquare);
    headView.setBounds (layout.centreSquare);
    archiveReportPanel.setBounds (layout.centreSquare);

    rotationSpeedBar.setBounds (layout.rotationSpeedBar);
}
