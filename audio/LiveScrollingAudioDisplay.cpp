#include "LiveScrollingAudioDisplay.h"

LiveScrollingAudioDisplay::LiveScrollingAudioDisplay()
    : juce::AudioVisualiserComponent (1)
{
    setBufferSize (1024);
    setSamplesPerBlock (256);
    setRepaintRate (60);
    setColours (juce::Colours::black, juce::Colours::white);
    setOpaque (true);
}

float LiveScrollingAudioDisplay::displayValue (const float* const* inputChannelData, int numInputChannels, int i)
{
    float sum = 0.0f;
    if (inputChannelData != nullptr)
        for (int c = 0; c < numInputChannels; ++c)
            if (inputChannelData[c] != nullptr)
                sum += inputChannelData[c][i];
    return sum * 10.0f;
}

void LiveScrollingAudioDisplay::audioDeviceIOCallbackWithContext (const float* const* inputChannelData, int numInputChannels,
                                                                  float* const* outputChannelData, int numOutputChannels,
                                                                  int numSamplesIn, const juce::AudioIODeviceCallbackContext&)
{
    for (int i = 0; i < numSamplesIn; ++i)
    {
        const float v = displayValue (inputChannelData, numInputChannels, i);
        pushSample (&v, 1);
    }

    for (int c = 0; c < numOutputChannels; ++c)
        if (outputChannelData != nullptr && outputChannelData[c] != nullptr)
            juce::FloatVectorOperations::clear (outputChannelData[c], numSamplesIn);
}

void LiveScrollingAudioDisplay::audioDeviceAboutToStart (juce::AudioIODevice*)
{
    clear();
}

void LiveScrollingAudioDisplay::audioDeviceStopped()
{
    clear();
}
