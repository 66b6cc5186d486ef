#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <Eigen/Dense>

#include <atomic>

// Process-wide audio state shared by the recorder (audio thread), the quality check and the
// wizard (message thread).

// The one audio device manager of the program; every audio user goes through it.
juce::AudioDeviceManager& GetSharedAudioDeviceManager();
extern juce::AudioDeviceManager& audioDeviceManager;

// One analysis block: 48000 sample frames, row 0 left, row 1 right.
constexpr int analysisBlockLength = 48000;
extern Eigen::MatrixXd dataToProcess2;

// Ownership of dataToProcess2: false while the audio thread fills it, true once it is complete
// and belongs to the analysis. Stored with release, loaded with acquire.
extern std::atomic<bool> nextBlockReady;
