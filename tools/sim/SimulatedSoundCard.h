#pragma once

#include "SimulatedRoom.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace ormalix::sim
{
// What the simulated card offers and how fast it runs.
struct SimulatedCardSettings
{
    juce::StringArray deviceNames { "USB Advanced Audio Device" };
    juce::Array<double> sampleRates { 44100.0, 48000.0 };
    juce::Array<int> bufferSizes { 2048 };
    int numInputs = 2;
    double speed = 1.0;            // 1 real time, 4 four times as fast, 0 as fast as possible
    bool scansOnlyOnce = true;     // like ALSA: a type instance lists its devices at its first scan only
};

struct SimulatedCardState;

// A USB sound card that exists only in software: an audio device type named "Simulated" whose
// one input device delivers the simulated room's signal in 2048-sample blocks from its own
// thread. Install it into an AudioDeviceManager and control it through this handle; the
// handle may be copied, all copies control the same card.
class SimulatedSoundCard
{
public:
    static constexpr const char* typeName = "Simulated";

    // Adds the "Simulated" type to `manager` (after the platform's own types), or returns the
    // card already installed there.
    static SimulatedSoundCard install (juce::AudioDeviceManager& manager);

    // A card not attached to any manager, with its own device type, e.g. for driving a
    // callback by hand.
    SimulatedSoundCard();
    std::unique_ptr<juce::AudioIODeviceType> createDeviceType() const;

    void setRoom (const SimulatedRoomSettings& room);
    SimulatedRoomSettings getRoom() const;

    void setCard (const SimulatedCardSettings& card);
    SimulatedCardSettings getCard() const;

    void setSpeed (double speed);

    // Pulling the card out stops its audio at once; it is listed again only after a new scan
    // once plugged back in.
    void setPluggedIn (bool plugged);
    bool isPluggedIn() const;

    // Blocks delivered to a callback since installation.
    int64_t blocksDelivered() const;

    std::shared_ptr<SimulatedCardState> state;
};
} // namespace ormalix::sim
