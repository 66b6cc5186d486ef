#include "ArchiveGlobals.h"

juce::File wavRecordingToZip;
juce::File imuRecordingToZip;
juce::File wavCalibrationToZip;
juce::File zipFile;

std::atomic<double> progressZip { 0.0 };
