#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <random>
#include <vector>

namespace ormalix::sim
{
// How the simulated room sounds at the two in-ear microphones.
struct SimulatedRoomSettings
{
    float level = 0.2f;            // peak of the direct sound at the louder ear (full scale 1)
    float balanceDb = 0.0f;        // > 0 makes the right ear that much weaker, < 0 the left
    float noise = 0.0002f;         // RMS of the background noise at each ear
    float reverb = 0.0f;           // 0 a dry room with two weak reflections; 1 a very reverberant one
    bool silence = false;          // the loudspeaker is silent (noise remains)
    bool clipping = false;         // the microphone input is overdriven and clips at full scale
    double stimulusPeriod = 0.25;  // seconds from one chirp to the next
    double delayLeftMs = 3.0;      // loudspeaker to ear
    double delayRightMs = 3.25;
    uint32_t seed = 1;
};

// The signal of the two microphones: the chirp repeated every stimulusPeriod through the room
// (per-ear delay and gain, reflections and a diffuse tail), plus noise. Deterministic for a
// given seed; render() continues where the previous call ended.
class SimulatedRoom
{
public:
    SimulatedRoom (const SimulatedRoomSettings& settings, double sampleRate);

    void render (float* left, float* right, int numSamples);

    // Continues the stimulus from frame `position` (noise is not repositioned).
    void setPosition (int64_t position);
    int64_t getPosition() const { return position; }

    const SimulatedRoomSettings& getSettings() const { return settings; }
    double getSampleRate() const { return sampleRate; }

    // One period of the noise-free signal at each ear.
    const std::vector<float>& period (int ear) const { return periods[(size_t) ear]; }

private:
    void buildPeriods();

    SimulatedRoomSettings settings;
    double sampleRate;
    std::vector<float> periods[2];
    int64_t position = 0;
    std::mt19937 random;
    std::normal_distribution<float> gaussian { 0.0f, 1.0f };
};
} // namespace ormalix::sim
