#pragma once

#include <juce_core/juce_core.h>
#include <Eigen/Dense>

#include <array>

using TrackerSample = Eigen::Matrix<float, 10, 1>;

// Result of one decoder call: tracker time stamp (µs) and q0..q3 after the update.
struct OrientationSample
{
    Eigen::Matrix<float, 5, 1> values = Eigen::Matrix<float, 5, 1>::Zero();
    bool valid = false;
};

// Turns the raw text of the tracker's serial stream into samples and runs the orientation
// filter on the globals q0..q3. Runs on the message thread, inside the bridge's timer under mtx.
class IMU
{
public:
    IMU();

    // `text` is one serial read (possibly empty, possibly several or partial lines).
    OrientationSample getQuaternion (const juce::String& text);

    // The bytes of a read as 8-bit characters (a byte above 127 is the character of that code).
    // NUL bytes cannot live in a string and are dropped.
    static juce::String textFromBytes (const char* data, int size);

    juce::String pendingLine;
    juce::String nextLine;
    int sampleCount = 0;
    double hostTimeMs = 0.0;
    TrackerSample current = TrackerSample::Zero();
    TrackerSample previousRaw = TrackerSample::Zero();
    TrackerSample filtered = TrackerSample::Zero();
    float accel[3] {};
    float gyro[3] {};
    float mag[3] {};
    std::array<double, 5> rotationSpeedHistory {};

    // Diagnostics of the latest decoded line: the rate from the tracker's time stamps (Hz) and
    // the turn speed implied by the filter step (rad/s), which the plausibility gate judges.
    float sampleRate = 100.0f;
    float stepSpeed = 0.0f;

    // A fragment longer than this cannot be a tracker line; it is dropped so that a stream
    // without separators cannot grow the pending text without bound.
    static constexpr int maxPendingLength = 1024;

private:
    void decode (const juce::StringArray& tokens, const juce::StringArray* other);
    void runMedianFilter();
    void capture();
    void calibrateMagnetometerSample();
};
