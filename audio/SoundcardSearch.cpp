#include "SoundcardSearch.h"

#include "AudioGlobals.h"

namespace ormalix::audio
{
const juce::String soundcardName ("USB Advanced Audio Device");

juce::AudioDeviceManager::AudioDeviceSetup makeSoundcardSetup (const juce::String& inputDeviceName)
{
    juce::AudioDeviceManager::AudioDeviceSetup setup;
    setup.outputDeviceName = {};
    setup.inputDeviceName = inputDeviceName;
    setup.sampleRate = 48000.0;
    setup.bufferSize = 2048;
    setup.useDefaultInputChannels = true;
    setup.outputChannels.clear();
    setup.useDefaultOutputChannels = true;
    return setup;
}

std::optional<SoundcardMatch> findSoundcard (juce::AudioDeviceManager& manager)
{
    const auto& types = manager.getAvailableDeviceTypes();

    for (auto* type : types)
        for (auto& name : type->getDeviceNames (true))
            if (name == soundcardName)
                return SoundcardMatch { type->getTypeName(), name };

    for (auto* type : types)
        for (auto& name : type->getDeviceNames (true))
            if (name.startsWith (soundcardName))
                return SoundcardMatch { type->getTypeName(), name };

    return std::nullopt;
}

void rescanAudioDeviceTypes (juce::AudioDeviceManager& manager)
{
    // The shared manager's platform types make a fresh back end at every scan.
    for (auto* type : manager.getAvailableDeviceTypes())
        type->scanForDevices();
}

bool findAndConnectSoundcard (juce::AudioDeviceManager& manager, bool& soundcardConnected,
                              juce::AudioIODeviceCallback& recorder)
{
    if (soundcardConnected)
        return true;

    // A card plugged in after an earlier search is seen only after a new scan.
    rescanAudioDeviceTypes (manager);

    const auto match = findSoundcard (manager);
    if (! match.has_value())
    {
        soundcardConnected = false;
        return false;
    }

    if (manager.getCurrentAudioDeviceType() != match->typeName)
    {
        // Switch the type with no channels needed, so that the switch itself opens nothing.
        juce::AudioDeviceManager::AudioDeviceSetup none;
        manager.initialise (0, 0, nullptr, false, {}, &none);
        manager.setCurrentAudioDeviceType (match->typeName, false);
    }

    const auto setup = makeSoundcardSetup (match->deviceName);
    const auto error = manager.initialise (2, 0, nullptr, false, "dit is niet nodig", &setup);

    // The error text is not shown: the wizard reports a missing card in its own words.
    if (error.isNotEmpty() || manager.getCurrentAudioDevice() == nullptr)
    {
        soundcardConnected = false;
        return false;
    }

    manager.addAudioCallback (&recorder);
    soundcardConnected = true;
    return true;
}

bool findAndConnectSoundcard (bool& soundcardConnected, juce::AudioIODeviceCallback& recorder)
{
    return findAndConnectSoundcard (GetSharedAudioDeviceManager(), soundcardConnected, recorder);
}
} // namespace ormalix::audio

SoundcardSelectorComponent::SoundcardSelectorComponent()
    : juce::AudioDeviceSelectorComponent (GetSharedAudioDeviceManager(), minInputChannels, maxInputChannels,
                                          minOutputChannels, maxOutputChannels, showMidiInputOptions,
                                          showMidiOutputSelector, showChannelsAsStereoPairs,
                                          hideAdvancedOptionsWithButton)
{
}
