#pragma once

#include "MagnetometerCalibration.h"

#include <juce_core/juce_core.h>
#include <Eigen/Dense>

#include <ostream>

// Result of an ellipsoid fit, in the form of the calibration globals.

// Gathers 3000 magnetometer samples while the user turns the head, then fits an ellipsoid to them.
class CalibrationThread : public juce::Thread
{
public:
    CalibrationThread();
    ~CalibrationThread() override;

    void run() override;

    // Fits magData's first numMagData columns and installs the result unless it is unusable.
    void calibrateMagnetometer();

    // The fit itself: `samples` is 3 x N (one column per sample). The diagnostic trace goes to
    // `trace` when it is given.
    static MagnetometerCalibration calibrateMagnetometer (const Eigen::MatrixXd& samples, std::ostream* trace);
};
