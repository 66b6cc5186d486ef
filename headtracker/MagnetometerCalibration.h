#pragma once

#include <array>

// One magnetometer calibration: what the fit produces, the settings files hold and the decoder
// applies through the calibration globals.
struct MagnetometerCalibration
{
    std::array<float, 3> offset {};
    std::array<float, 3> radii {};
    std::array<float, 9> transform {};   // column by column, like magnetometerTransform

    // Only a calibration with finite values and positive radii can correct a sample.
    bool isUsable() const;

    bool operator== (const MagnetometerCalibration&) const = default;
};

// Copies of the calibration globals, taken and installed under mtx (which the decoder holds
// while it uses them).
MagnetometerCalibration currentCalibration();
void installCalibration (const MagnetometerCalibration& calibration);
