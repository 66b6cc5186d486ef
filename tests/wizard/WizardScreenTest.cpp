#include <gtest/gtest.h>

#include "wizard/MainComponent.h"

#include <unistd.h>

namespace
{
std::vector<juce::Component*> visibleChildren (MainComponent& mc)
{
    std::vector<juce::Component*> result;
    for (auto* c : mc.getChildren())
        if (c->isVisible())
            result.push_back (c);
    return result;
}
} // namespace

TEST (WizardScreen, StartsWithOnlyStepButtonsCaptionStepOneTextAndSetupIllustration)
{
    MainComponent mc;
    mc.setSize (1440, 875);

    std::set<juce::Component*> expected { &mc.captionLabel, &mc.stepButton1, &mc.stepButton2, &mc.stepButton3,
                                          &mc.stepButton4, &mc.stepButton5, &mc.stepButton6,
                                          &mc.instructionPanel1, &mc.setupImageView };
    const auto visible = visibleChildren (mc);
    EXPECT_EQ (std::set<juce::Component*> (visible.begin(), visible.end()), expected);

    EXPECT_TRUE (mc.stepButton1.getToggleState());
    for (auto* b : { &mc.stepButton2, &mc.stepButton3, &mc.stepButton4, &mc.stepButton5, &mc.stepButton6 })
        EXPECT_FALSE (b->getToggleState());
    for (auto* b : { &mc.stepButton1, &mc.stepButton2, &mc.stepButton3, &mc.stepButton4, &mc.stepButton5, &mc.stepButton6 })
        EXPECT_TRUE (b->isEnabled());

    EXPECT_TRUE (mc.isOpaque());
    EXPECT_TRUE (mc.isTimerRunning());
    EXPECT_EQ (mc.getTimerInterval(), 50);
    EXPECT_TRUE (mc.rotationSpeedBar.isAlwaysOnTop());
}

TEST (WizardScreen, EntersTheDocumentsFolderAndCreatesItWhenMissing)
{
    const auto documents = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
    documents.deleteRecursively();
    ASSERT_FALSE (documents.exists());

    MainComponent mc;
    EXPECT_TRUE (documents.isDirectory());
    EXPECT_EQ (juce::File::getCurrentWorkingDirectory(), documents);
}

TEST (WizardScreen, ChildrenTakeTheirLayoutRectangles)
{
    MainComponent mc;
    mc.setSize (1440, 875);
    using R = juce::Rectangle<int>;
    EXPECT_EQ (mc.instructionPanel3.getBounds(), R (1030, 10, 400, 855));
    EXPECT_EQ (mc.notFoundPanel.getBounds(), R (1030, 10, 400, 855));
    EXPECT_EQ (mc.checkAudioButton.getBounds(), R (470, 22, 100, 51));
    EXPECT_EQ (mc.systemResponseImageView.getBounds(), R (30, 105, 980, 665));
    EXPECT_EQ (mc.zipProgressBar.getBounds(), R (180, 765, 680, 50));
    EXPECT_EQ (mc.audioResultPanel.getBounds(), R (180, 85, 680, 680));
    EXPECT_EQ (mc.rotationSpeedBar.getBounds(), R (130, 125, 50, 600));
    EXPECT_EQ (mc.captionLabel.getBounds(), R (15, 750, 1410, 110));
    EXPECT_EQ (mc.stepButton6.getBounds(), R (15, 215, 65, 30));
}

TEST (WizardScreen, TextsAndButtonLabels)
{
    MainComponent mc;

    EXPECT_EQ (mc.instructionPanel1.getText(),
               "You have done the preparations described in the manual:\n\nYou are sitting on a swivel chair, facing a "
               "loudspeaker, which is approximately at the same height as your head and is pointing directly to you. "
               "There are no reflecting objects in the ellipsoic volume surrounding you and the loudspeaker.\n\nYou have "
               "downloaded the stimulus sound file on a music device, which is connected via a cable to the loudspeaker."
               "\n\nYou have switched off everything that could possibly interfere with the measurement (bluethooth, "
               "wifi, all other programs). Also, you have made sure that the laptop is running on its internal battery "
               "and is not in power saving mode.\n\nYou have installed the head mount correctly and plugged the cables "
               "into the laptop on your lap. Rotating your head in all directions, you convince yourself that the in-ear "
               "microphones will not pop out during the measurement and the cables do not restrict your head movement."
               "\n\nIf so, you are ready for step 2.");
    EXPECT_TRUE (mc.instructionPanel2.getText().endsWith ("If not, go to step 3. "));
    EXPECT_TRUE (mc.instructionPanel2.getText().startsWith ("The animated head shown on the left will help you "
                                                            "throughout the measurement. \n \nWith the headtracker"));
    EXPECT_TRUE (mc.instructionPanel3.getText().contains ("the acoustic properties of the room : either"));
    EXPECT_TRUE (mc.instructionPanel3.getText().endsWith ("If the audio quality passed the test, go to step 4."));
    EXPECT_TRUE (mc.instructionPanel4.getText().contains ("Don't move too fast (red means too fast). \n\nMove your "
                                                          "head but not your shoulders! \n\n"));
    EXPECT_TRUE (mc.instructionPanel5.getText().contains ("(dangling from you hand)"));
    EXPECT_TRUE (mc.instructionPanel5.getText().endsWith ("the direct sound from the reflections on your body/arm."));
    EXPECT_TRUE (mc.instructionPanel6.getText().contains ("you can replace these manually in the zip-file. Please "));
    EXPECT_TRUE (mc.instructionPanel6.getText().contains ("file-transfer"));
    EXPECT_TRUE (mc.instructionPanel6.getText().contains ("e-mail"));
    EXPECT_EQ (mc.notFoundPanel.getText(),
               "The head tracker is not found. Please connect the head tracker, and press 'step2'.");
    EXPECT_EQ (mc.audioResultPanel.getText(), "No audio checks have been carried out yet.");
    EXPECT_EQ (mc.archiveReportPanel.getText(), "");

    EXPECT_EQ (mc.measurementButton.getButtonText(), "HRTF measurement");
    EXPECT_EQ (mc.systemResponseButton.getButtonText(), "System calibration");
    EXPECT_EQ (mc.archiveButton.getButtonText(), "Zip files");
    EXPECT_EQ (mc.calibrationButton.getButtonText(), "Calibration");
    EXPECT_EQ (mc.checkAudioButton.getButtonText(), "Check audio ");
    const char* steps[] = { "step 1", "step 2", "step 3", "step 4", "step 5", "step 6" };
    juce::TextButton* stepButtons[] = { &mc.stepButton1, &mc.stepButton2, &mc.stepButton3,
                                        &mc.stepButton4, &mc.stepButton5, &mc.stepButton6 };
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ (stepButtons[k]->getButtonText(), steps[k]);

    const auto caption = mc.captionLabel.getText();
    EXPECT_EQ (caption.length(), 12);
    EXPECT_TRUE (caption.substring (0, 4).containsOnly ("0123456789"));
    EXPECT_EQ (caption.substring (4), " Ormalix");
}

TEST (WizardScreen, PanelStyles)
{
    MainComponent mc;
    const auto windowBackground = mc.getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);

    for (auto* p : { &mc.instructionPanel1, &mc.instructionPanel4, &mc.instructionPanel6, &mc.notFoundPanel })
    {
        EXPECT_TRUE (p->isMultiLine());
        EXPECT_TRUE (p->isReadOnly());
        EXPECT_FALSE (p->isCaretVisible());
        EXPECT_TRUE (p->areScrollbarsShown());
        EXPECT_TRUE (p->isPopupMenuEnabled());
        EXPECT_EQ (p->findColour (juce::TextEditor::backgroundColourId), juce::Colour (0x32ffffff));
        EXPECT_EQ (p->findColour (juce::TextEditor::outlineColourId), juce::Colour (0x1c000000));
        EXPECT_EQ (p->findColour (juce::TextEditor::shadowColourId), juce::Colour (0x16000000));
        EXPECT_FLOAT_EQ (p->getFont().getHeight(), 20.0f);
    }

    for (auto* p : { &mc.audioResultPanel, &mc.archiveReportPanel })
    {
        EXPECT_TRUE (p->isMultiLine());
        EXPECT_TRUE (p->isReadOnly());
        EXPECT_EQ (p->getJustificationType(), juce::Justification (juce::Justification::horizontallyCentred));
        EXPECT_EQ (p->findColour (juce::TextEditor::backgroundColourId), windowBackground);
        EXPECT_EQ (p->findColour (juce::TextEditor::outlineColourId), windowBackground);
        EXPECT_FLOAT_EQ (p->getFont().getHeight(), 20.0f);
    }

    EXPECT_EQ (mc.captionLabel.getJustificationType(), juce::Justification (juce::Justification::bottomLeft));
    EXPECT_EQ (mc.captionLabel.findColour (juce::Label::textColourId), juce::Colours::white);
    EXPECT_EQ (mc.rotationSpeedBar.getSliderStyle(), juce::Slider::LinearVertical);
    EXPECT_EQ (mc.rotationSpeedBar.getMaximum(), 100.0);
    EXPECT_EQ (mc.rotationSpeedBar.getInterval(), 0.0);
}

TEST (WizardScreen, IllustrationsDecodeAtTheirFullSize)
{
    MainComponent mc;
    for (auto* image : { &mc.setupImage, &mc.systemResponseImage })
    {
        ASSERT_TRUE (image->isValid());
        EXPECT_EQ (image->getWidth(), 2282);
        EXPECT_EQ (image->getHeight(), 2896);
        EXPECT_TRUE (image->hasAlphaChannel());
    }
}
