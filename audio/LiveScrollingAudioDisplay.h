#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_utils/juce_audio_utils.h>

// A scrolling waveform of a device's input: the sum of all input channels, boosted tenfold,
// 256 samples per column, 1024 columns (about 5.5 s at 48 kHz).
class LiveScrollingAudioDisplay : public juce::AudioVisualiserComponent,
                                  public juce::AudioIODeviceCallback
{
public:
    LiveScrollingAudioDisplay();

    void audioDeviceIOCallbackWithContext (const float* const* inputChannelData, int numInputChannels,
                                           float* const* outputChannelData, int numOutputChannels,
                                           int numSamples, const juce::AudioIODeviceCallbackContext& context) override;
    void audioDeviceAboutToStart (juce::AudioIODevice*) override;
    void audioDeviceStopped() override;

    // The value shown for sample i: ten times the sum over the non-null input channels.
    static float displayValue (const float* const* inputChannelData, int numInputChannels, int i);
};
