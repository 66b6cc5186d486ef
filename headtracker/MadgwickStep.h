#pragma once

#include <cstdint>
#include <cstring>

// One step of the gradient-descent orientation filter, as a pure function over its state.

// The fast inverse square root with one Newton step, in float throughout.
inline float invSqrt (float x) noexcept
{
    std::uint32_t i;
    std::memcpy (&i, &x, sizeof (i));
    i = 0x5f3759dfu - (i >> 1);
    float y;
    std::memcpy (&y, &i, sizeof (y));
    return y * (1.5f - 0.5f * x * y * y);
}

struct FilterQuaternion
{
    float q0 = 1.0f, q1 = 0.0f, q2 = 0.0f, q3 = 0.0f;
};

// gyro in rad/s, accel already negated (pointing the way the filter expects), mag calibrated.
// A zero magnetometer selects the variant without it; a zero accelerometer leaves the gyroscope alone.
FilterQuaternion madgwickStep (FilterQuaternion q,
                               float gx, float gy, float gz,
                               float ax, float ay, float az,
                               float mx, float my, float mz,
                               float beta, float sampleFreq) noexcept;
