#include "RescanningDeviceType.h"

RescanningDeviceType::RescanningDeviceType (const juce::String& name, Factory f)
    : juce::AudioIODeviceType (name), factory (std::move (f))
{
}

RescanningDeviceType::~RescanningDeviceType()
{
    if (current != nullptr)
        current->removeListener (this);
}

void RescanningDeviceType::scanForDevices()
{
    auto fresh = factory != nullptr ? factory() : nullptr;
    if (fresh == nullptr)
        return;

    ++made;
    fresh->scanForDevices();
    fresh->addListener (this);

    if (current != nullptr)
    {
        current->removeListener (this);
        retired.push_back (std::move (current));
    }
    current = std::move (fresh);
}

juce::StringArray RescanningDeviceType::getDeviceNames (bool wantInputNames) const
{
    return current != nullptr ? current->getDeviceNames (wantInputNames) : juce::StringArray();
}

int RescanningDeviceType::getDefaultDeviceIndex (bool forInput) const
{
    return current != nullptr ? current->getDefaultDeviceIndex (forInput) : -1;
}

int RescanningDeviceType::getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const
{
    return current != nullptr ? current->getIndexOfDevice (device, asInput) : -1;
}

bool RescanningDeviceType::hasSeparateInputsAndOutputs() const
{
    return current != nullptr ? current->hasSeparateInputsAndOutputs() : true;
}

juce::AudioIODevice* RescanningDeviceType::createDevice (const juce::String& outputDeviceName,
                                                         const juce::String& inputDeviceName)
{
    if (current == nullptr)
        scanForDevices();
    return current != nullptr ? current->createDevice (outputDeviceName, inputDeviceName) : nullptr;
}
