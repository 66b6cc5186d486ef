#pragma once

#include "IMU.h"

#include <juce_events/juce_events.h>
#include <Eigen/Dense>
#include <Eigen/Geometry>

// Connects the serial port to the rest of the program: every 10 ms it reads the tracker, has the
// IMU filter it, and publishes the head's angles relative to a reference the wizard can turn.
class Bridge : public juce::Timer
{
public:
    Bridge();
    ~Bridge() override;

    void timerCallback() override;

    // Turns the reference about its vertical axis so that the current heading becomes straight ahead.
    void resetOrientation();

    // Steps 1 to 5 of a sample: filter quaternion -> relative orientation -> published angles.
    void updateOrientation();

    // Lowers the filter gain once the port has been open for 5 seconds.
    void applyGainSchedule();

    // Closes the port (if open), clears `connected` and stops the timer.
    void disconnect();

    int baudRate = 115200;
    int deviceIndex = 0;
    IMU imu;
    const Eigen::Matrix3f axisMatrix = (Eigen::Matrix3f() << 1.0f, 0.0f, 0.0f,
                                                             0.0f, 0.0f, -1.0f,
                                                             0.0f, 1.0f, 0.0f).finished();
    Eigen::Matrix3f referenceMatrix = Eigen::Matrix3f::Identity();
    double openTimeMs = 0.0;
    Eigen::Quaternionf relativeQuat { 1.0f, 0.0f, 0.0f, 0.0f };
    Eigen::Quaternionf outputQuat { 1.0f, 0.0f, 0.0f, 0.0f };
    float eulerX = 0.0f, eulerY = 0.0f, eulerZ = 0.0f;
    bool connected = false;
};

// The published angles (degrees) of an output quaternion, with both pole branches.
struct EulerAngles
{
    float x = 0.0f, y = 0.0f, z = 0.0f;
};
EulerAngles eulerAnglesOf (const Eigen::Quaternionf& outputQuat);

// The rotation matrix of the filter quaternion (q0 scalar).
Eigen::Matrix3f rotationOfFilterQuaternion (float w, float x, float y, float z);
