#include "SpectrumComponent.h"

#include "AudioGlobals.h"

#include <algorithm>

SpectrumComponent::SpectrumComponent (juce::Button& trigger)
    : deviceRate ([] {
          auto* device = GetSharedAudioDeviceManager().getCurrentAudioDevice();
          return device != nullptr ? device->getCurrentSampleRate() : 0.0;
      }),
      triggerButton (&trigger)
{
    levelMeterLeft.threshold = levelMeterRight.threshold = 0.5f;
    snrMeterLeft.threshold = snrMeterRight.threshold = 20.0f;

    triggerButton->addListener (this);

    for (auto* m : std::initializer_list<juce::Component*> { &levelMeterLeft, &levelMeterRight, &snrMeterLeft, &snrMeterRight })
        addAndMakeVisible (m);
}

SpectrumComponent::~SpectrumComponent()
{
    triggerButton->removeListener (this);
}

void SpectrumComponent::resampleChirpLagrange()
{
    cycle.resampleChirpLagrange();
}

void SpectrumComponent::startCheck()
{
    resetStatistics();
}

void SpectrumComponent::buttonClicked (juce::Button* button)
{
    if (button == triggerButton)
        runCycle();
}

void SpectrumComponent::runCycle()
{
    // The block belongs to the audio thread until it is complete.
    if (! nextBlockReady.load (std::memory_order_acquire))
        return;

    ormalix::audio::QualityCycle::blockLevels (dataToProcess2, levelMeterLeft.value, levelMeterRight.value);

    if (cycleCount < cyclesPerCheck)
    {
        const double fs = deviceRate ? deviceRate() : 0.0;
        lastCycle = cycle.analyse (dataToProcess2, fs);

        // Without a device (or at a rate the block cannot hold) the block is only released.
        if (lastCycle.status == ormalix::audio::CycleResult::Status::analysed)
        {
            addCycle (lastCycle);
            snrMeterLeft.value = lastCycle.snrLeft;
            snrMeterRight.value = lastCycle.snrRight;
        }
    }

    nextBlockReady.store (false, std::memory_order_release);
    repaint();
}

void SpectrumComponent::showVerdict (juce::TextEditor& instructionPanel, juce::TextEditor& resultPanel) const
{
    instructionPanel.setText (ormalix::audio::QualityTexts::instructionAfterCheck);
    resultPanel.setColour (juce::TextEditor::textColourId, juce::Colours::orange);

    const auto v = verdict();
    resultPanel.setColour (juce::TextEditor::textColourId, v.colour);
    resultPanel.setText (v.message);
    // Text already in the editor keeps the colour it was typed in; recolour all of it.
    resultPanel.applyColourToAllText (v.colour, true);
}

void SpectrumComponent::paint (juce::Graphics& g)
{
    const int w = getWidth(), h = getHeight();

    const int half = std::min (w, (int) (w * 0.5));
    const int rightPart = std::max (0, w - half - 120);
    const int usableHeight = std::max (0, h - 120);
    const int leftPart = std::max (0, half - 120);
    const int leftSplit = (int) (leftPart * 0.5);
    const int rightSplit = (int) (rightPart * 0.5);
    const int meterHeight = std::max (0, usableHeight - 30);

    levelMeterLeft.setBounds (75, 75, std::max (0, leftSplit - 30), meterHeight);
    levelMeterRight.setBounds (leftSplit + 75, 75, std::max (0, leftPart - leftSplit - 30), meterHeight);
    snrMeterLeft.setBounds (half + 75, 75, std::max (0, rightSplit - 30), meterHeight);
    snrMeterRight.setBounds (half + rightSplit + 75, 75, std::max (0, rightPart - rightSplit - 30), meterHeight);

    g.drawHorizontalLine ((usableHeight * 9) / 10 + 60, 60.0f, (float) (leftPart + 60));
    g.drawHorizontalLine ((usableHeight * 3) / 4 + 60, 60.0f, (float) (leftPart + 60));
}
