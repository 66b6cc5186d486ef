#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <functional>

// The wizard's one source of time: the framework's millisecond counter, unless a test
// installs its own to run a 15-minute measurement in accelerated time.
struct WizardClock
{
    std::function<uint32_t()> source;

    uint32_t now() const { return source ? source() : juce::Time::getMillisecondCounter(); }
};
