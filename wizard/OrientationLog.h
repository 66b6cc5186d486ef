#pragma once

#include <juce_core/juce_core.h>

#include <Eigen/Dense>

// The head-orientation log: one text line per stored head-tracker sample, ten values each
// followed by ", ", then a line feed. The newest stored sample is left out.

// Writes the lines for the first numStored columns of samples (minus the newest) to out;
// returns the stream's verdict on every write.
bool writeOrientationLogLines (juce::OutputStream& out, const Eigen::MatrixXf& samples, unsigned numStored);

// Writes the log of imuData / numImuData to the first free "OrmalixMeasurement*.csv" name in
// folder. Returns the file written, or an empty File when it could not be written completely
// (a partial file is removed, so that it is never taken for a whole log).
juce::File writeOrientationLog (const juce::File& folder);
