#pragma once

#include <juce_core/juce_core.h>

#include <atomic>

// The files chosen for the archive and the archive itself. Written by the archive action on
// the message thread before the zip thread starts; the thread works on its own copy.
// An empty File means "not found".
extern juce::File wavRecordingToZip;
extern juce::File imuRecordingToZip;
extern juce::File wavCalibrationToZip;
extern juce::File zipFile;

// Progress of the archive build, 0 to 1: stored by the zip thread, read and reset by the
// wizard's timer.
extern std::atomic<double> progressZip;
