#include "TrackerGlobals.h"

#include <algorithm>

float sampleFreq = 100.0f;
float Beta = 5.0f;
float q0 = 1.0f, q1 = 0.0f, q2 = 0.0f, q3 = 0.0f;

double meanRotVel = 0.0;

Eigen::MatrixXf imuData = Eigen::MatrixXf::Zero (10, imuDataCapacity);
unsigned numImuData = 0;
std::atomic<bool> m_storeImuData { false };

Eigen::MatrixXf magData = Eigen::MatrixXf::Zero (3, magDataCapacity);
std::atomic<unsigned> numMagData { 0 };
std::atomic<bool> m_storeMagData { false };
std::atomic<bool> mag_calib_finished { false };

namespace
{
constexpr float builtInOffset[3] = { 29.838562f, -37.787f, 54.160557f };
constexpr float builtInRadii[3] = { 45.3809f, 45.94217f, 49.779526f };
// Column by column: element k is row k % 3 of column k / 3.
constexpr float builtInTransform[9] = { -0.9717148f, 0.10308465f, -0.21247084f,
                                        0.2231885f, 0.10682101f, -0.9689046f,
                                        0.07718285f, 0.98892003f, 0.12680687f };
} // namespace

float magnetometerOffset[3] = { builtInOffset[0], builtInOffset[1], builtInOffset[2] };
float magnetometerRadii[3] = { builtInRadii[0], builtInRadii[1], builtInRadii[2] };
float magnetometerTransform[9] = { builtInTransform[0], builtInTransform[1], builtInTransform[2],
                                   builtInTransform[3], builtInTransform[4], builtInTransform[5],
                                   builtInTransform[6], builtInTransform[7], builtInTransform[8] };

void setBuiltInMagnetometerCalibration()
{
    std::copy (std::begin (builtInOffset), std::end (builtInOffset), magnetometerOffset);
    std::copy (std::begin (builtInRadii), std::end (builtInRadii), magnetometerRadii);
    std::copy (std::begin (builtInTransform), std::end (builtInTransform), magnetometerTransform);
}

std::mutex mtx;
