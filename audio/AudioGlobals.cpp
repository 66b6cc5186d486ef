#include "AudioGlobals.h"

#include "RescanningDeviceType.h"

namespace
{
// The platform's device types, each wrapped so that it can scan again after a card is
// plugged in.
class SharedAudioDeviceManager : public juce::AudioDeviceManager
{
public:
    void createAudioDeviceTypes (juce::OwnedArray<juce::AudioIODeviceType>& list) override
    {
        juce::OwnedArray<juce::AudioIODeviceType> platform;
        juce::AudioDeviceManager::createAudioDeviceTypes (platform);

        for (auto* type : platform)
        {
            const auto name = type->getTypeName();
            list.add (new RescanningDeviceType (name, [name] { return createPlatformType (name); }));
        }
    }

private:
    static std::unique_ptr<juce::AudioIODeviceType> createPlatformType (const juce::String& name)
    {
        juce::AudioDeviceManager plain;
        juce::OwnedArray<juce::AudioIODeviceType> platform;
        plain.juce::AudioDeviceManager::createAudioDeviceTypes (platform);

        for (int i = 0; i < platform.size(); ++i)
            if (platform[i]->getTypeName() == name)
                return std::unique_ptr<juce::AudioIODeviceType> (platform.removeAndReturn (i));
        return nullptr;
    }
};
} // namespace

juce::AudioDeviceManager& GetSharedAudioDeviceManager()
{
    // Built on first use, so no other global's initialisation can see it unconstructed.
    static SharedAudioDeviceManager manager;
    return manager;
}

juce::AudioDeviceManager& audioDeviceManager = GetSharedAudioDeviceManager();

Eigen::MatrixXd dataToProcess2 = Eigen::MatrixXd::Zero (2, analysisBlockLength);

std::atomic<bool> nextBlockReady { false };
