#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Vertical bar meters: a grey scale with a bar growing from the bottom, white below the
// threshold and red from it on. The owner sets value and threshold and repaints.

// Draws one meter of the given full scale into (0, 0, width, height).
void paintVerticalMeter (juce::Graphics& g, float width, float height, float value, float threshold, float fullScale);

// Peak level of a block, linear; full scale 0.75.
class VerticalLevelMeter : public juce::Component
{
public:
    static constexpr float fullScale = 0.75f;

    void paint (juce::Graphics& g) override;

    float value = 0.0f;
    float threshold = 0.0f;
};

// Direct-to-noise difference in dB; full scale 60.
class VerticalSNRMeter : public juce::Component
{
public:
    static constexpr float fullScale = 60.0f;

    void paint (juce::Graphics& g) override;

    float value = 0.0f;
    float threshold = 0.0f;
};
