#include "Bridge.h"

#include "Serial.h"
#include "TrackerGlobals.h"

#include <cmath>

namespace
{
constexpr float degreesPerRadian = 57.2957763671875f;
constexpr int readCapacity = 2048;
} // namespace

Eigen::Matrix3f rotationOfFilterQuaternion (float w, float x, float y, float z)
{
    Eigen::Matrix3f r;
    r << 1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y - w * z), 2.0f * (x * z + w * y),
         2.0f * (x * y + w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z - w * x),
         2.0f * (x * z - w * y), 2.0f * (y * z + w * x), 1.0f - 2.0f * (x * x + y * y);
    return r;
}

EulerAngles eulerAnglesOf (const Eigen::Quaternionf& o)
{
    const float w = o.w(), x = o.x(), y = o.y(), z = o.z();
    const float test = x * z + w * y;
    EulerAngles a;

    if ((double) test > 0.499999)
    {
        a.x = 0.0f;
        a.y = 90.0f;
        a.z = 2.0f * std::atan2 (x, w) * degreesPerRadian;
    }
    else if ((double) test < -0.499999)
    {
        a.x = 0.0f;
        a.y = -90.0f;
        a.z = -2.0f * std::atan2 (x, w) * degreesPerRadian;
    }
    else
    {
        a.x = std::atan2 (2.0f * (w * x - y * z), 1.0f - 2.0f * (x * x + y * y)) * degreesPerRadian;
        a.y = std::asin (2.0f * test) * degreesPerRadian;
        a.z = -std::atan2 (2.0f * (w * z - x * y), 1.0f - 2.0f * (y * y + z * z)) * degreesPerRadian;
    }
    return a;
}

Bridge::Bridge() = default;

Bridge::~Bridge()
{
    disconnect();
}

void Bridge::disconnect()
{
    if (connected)
        closeSerialDevice (deviceIndex);

    connected = false;
    stopTimer();
}

void Bridge::timerCallback()
{
    const std::lock_guard<std::mutex> lock (mtx);

    if (! connected)
        return;

    char buffer[readCapacity];
    const int n = readSerialDevice (deviceIndex, buffer, readCapacity);
    const auto sample = imu.getQuaternion (IMU::textFromBytes (buffer, n));

    if (sample.valid)
        updateOrientation();

    applyGainSchedule();
}

void Bridge::updateOrientation()
{
    const Eigen::Matrix3f r = rotationOfFilterQuaternion (q0, q1, q2, q3);
    const Eigen::Matrix3f x = referenceMatrix.inverse() * r * axisMatrix;

    relativeQuat = Eigen::Quaternionf (x);
    relativeQuat.normalize();

    outputQuat = Eigen::Quaternionf (relativeQuat.w(), relativeQuat.y(), relativeQuat.x(), relativeQuat.z());

    const auto angles = eulerAnglesOf (outputQuat);
    eulerX = angles.x;
    eulerY = angles.y;
    eulerZ = angles.z;
}

void Bridge::applyGainSchedule()
{
    if ((double) juce::Time::getMillisecondCounter() > openTimeMs + 5000.0)
        Beta = 0.6f;
}

void Bridge::resetOrientation()
{
    const float w = relativeQuat.w(), x = relativeQuat.x(), y = relativeQuat.y(), z = relativeQuat.z();
    const float r00 = 1.0f - 2.0f * (y * y + z * z);
    const float r01 = 2.0f * (x * y - w * z);
    const float n = std::sqrt (r00 * r00 + r01 * r01);

    // Looking straight up or down there is no heading to take; keep the reference as it is.
    if (! (n > 0.0f) || ! std::isfinite (n))
        return;

    const float c = -r00 / n, s = -r01 / n;
    Eigen::Matrix3f k;
    k << c, -s, 0.0f,
         s, c, 0.0f,
         0.0f, 0.0f, 1.0f;

    referenceMatrix = referenceMatrix * k.inverse();
}
