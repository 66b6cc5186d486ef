#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <functional>
#include <memory>

// An audio device type that scans afresh each time it is asked to. Some of JUCE's back ends
// (ALSA among them) list their devices only at their first scan, so a card plugged in later
// would never be seen; this wrapper makes a new instance of the back end for every scan and
// passes everything else on to it. The manager, and any device selector on it, keep seeing
// the same type object throughout.
class RescanningDeviceType : public juce::AudioIODeviceType,
                             private juce::AudioIODeviceType::Listener
{
public:
    using Factory = std::function<std::unique_ptr<juce::AudioIODeviceType>()>;

    RescanningDeviceType (const juce::String& typeName, Factory factory);
    ~RescanningDeviceType() override;

    void scanForDevices() override;
    juce::StringArray getDeviceNames (bool wantInputNames) const override;
    int getDefaultDeviceIndex (bool forInput) const override;
    int getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const override;
    bool hasSeparateInputsAndOutputs() const override;
    juce::AudioIODevice* createDevice (const juce::String& outputDeviceName, const juce::String& inputDeviceName) override;

    // How many back-end instances have been made so far.
    int instancesMade() const { return made; }

private:
    void audioDeviceListChanged() override { callDeviceChangeListeners(); }

    Factory factory;
    std::unique_ptr<juce::AudioIODeviceType> current;
    // Earlier instances stay alive: devices they opened may still run.
    std::vector<std::unique_ptr<juce::AudioIODeviceType>> retired;
    int made = 0;
};
