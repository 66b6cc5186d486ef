#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_utils/juce_audio_utils.h>

#include <optional>

namespace ormalix::audio
{
// The name under which the system lists the USB sound card of the in-ear microphones.
extern const juce::String soundcardName;

// The device setup requested for the card: input only, 48 kHz, 2048-sample blocks, the
// device's first two inputs by the default-channel rule, no outputs.
juce::AudioDeviceManager::AudioDeviceSetup makeSoundcardSetup (const juce::String& inputDeviceName);

struct SoundcardMatch
{
    juce::String typeName;
    juce::String deviceName;
};

// The card among the input devices of all of the manager's device types: a device named
// exactly soundcardName, else the first whose name begins with it (ALSA adds the card's
// description to the name).
std::optional<SoundcardMatch> findSoundcard (juce::AudioDeviceManager& manager);

// Asks every device type of the manager to scan again (see RescanningDeviceType for why that
// finds cards plugged in after the first scan).
void rescanAudioDeviceTypes (juce::AudioDeviceManager& manager);

// Unless already connected: rescans, looks the card up, makes its device type current and
// opens it with makeSoundcardSetup; on success registers `recorder` and sets
// soundcardConnected. Returns soundcardConnected. Message thread.
bool findAndConnectSoundcard (juce::AudioDeviceManager& manager, bool& soundcardConnected,
                              juce::AudioIODeviceCallback& recorder);

// The same on the shared audioDeviceManager.
bool findAndConnectSoundcard (bool& soundcardConnected, juce::AudioIODeviceCallback& recorder);
} // namespace ormalix::audio

// The device selector the wizard keeps on the shared manager: exactly two inputs, no outputs,
// no MIDI, channels not as stereo pairs, advanced options shown.
class SoundcardSelectorComponent : public juce::AudioDeviceSelectorComponent
{
public:
    static constexpr int minInputChannels = 2, maxInputChannels = 2;
    static constexpr int minOutputChannels = 0, maxOutputChannels = 0;
    static constexpr bool showMidiInputOptions = false, showMidiOutputSelector = false;
    static constexpr bool showChannelsAsStereoPairs = false, hideAdvancedOptionsWithButton = false;

    SoundcardSelectorComponent();
};
