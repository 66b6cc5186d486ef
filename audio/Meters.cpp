#include "Meters.h"

void paintVerticalMeter (juce::Graphics& g, float w, float h, float value, float threshold, float fullScale)
{
    g.setColour (juce::Colours::white.withBrightness (0.4f));
    g.fillRoundedRectangle (0.0f, 0.0f, w, h, 2.0f);

    const auto barColour = threshold > value ? juce::Colours::white : juce::Colours::red;

    float bar = h * value / fullScale;
    if (bar > h)
        bar = h;

    // Negative or undefined values draw no bar rather than one outside the component.
    if (! (bar > 0.0f))
        return;

    g.setColour (barColour);
    g.fillRoundedRectangle (0.0f, h - bar, w, bar, 2.0f);
}

void VerticalLevelMeter::paint (juce::Graphics& g)
{
    paintVerticalMeter (g, (float) getWidth(), (float) getHeight(), value, threshold, fullScale);
}

void VerticalSNRMeter::paint (juce::Graphics& g)
{
    paintVerticalMeter (g, (float) getWidth(), (float) getHeight(), value, threshold, fullScale);
}
