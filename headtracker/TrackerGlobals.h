#pragma once

#include <Eigen/Dense>

#include <atomic>
#include <mutex>

// Process-wide head-tracker state shared by the decoder, the bridge, the calibration thread,
// the settings files and the wizard. Values shared with another thread are atomic: stored
// with release, loaded with acquire.

// Orientation filter: rate (Hz), gain and quaternion (q0 scalar part).
extern float sampleFreq;
extern float Beta;
extern float q0, q1, q2, q3;

// Mean rotation speed of the head, rad/s.
extern double meanRotVel;

// Measurement log: one 10-value column per decoded line.
constexpr unsigned imuDataCapacity = 180000;
extern Eigen::MatrixXf imuData;
extern unsigned numImuData;
extern std::atomic<bool> m_storeImuData;

// Magnetometer samples gathered for the calibration.
constexpr unsigned magDataCapacity = 3000;
extern Eigen::MatrixXf magData;
extern std::atomic<unsigned> numMagData;
extern std::atomic<bool> m_storeMagData;
extern std::atomic<bool> mag_calib_finished;

// Magnetometer calibration; the transform is 3 x 3, stored column by column.
extern float magnetometerOffset[3];
extern float magnetometerRadii[3];
extern float magnetometerTransform[9];

// Installs the calibration that applies when no settings file has been read.
void setBuiltInMagnetometerCalibration();

// Held by the bridge's timer while it decodes and by anyone who replaces the calibration.
extern std::mutex mtx;
