#include "MadgwickStep.h"

#include <cmath>

FilterQuaternion madgwickStep (FilterQuaternion q,
                               float gx, float gy, float gz,
                               float ax, float ay, float az,
                               float mx, float my, float mz,
                               float beta, float sampleFreq) noexcept
{
    float q0 = q.q0, q1 = q.q1, q2 = q.q2, q3 = q.q3;

    float qDot0 = 0.5f * (-q1 * gx - q2 * gy - q3 * gz);
    float qDot1 = 0.5f * (q0 * gx + q2 * gz - q3 * gy);
    float qDot2 = 0.5f * (q0 * gy - q1 * gz + q3 * gx);
    float qDot3 = 0.5f * (q0 * gz + q1 * gy - q2 * gx);

    const bool haveAccel = ! (ax == 0.0f && ay == 0.0f && az == 0.0f);
    const bool haveMag = ! (mx == 0.0f && my == 0.0f && mz == 0.0f);

    if (haveAccel && haveMag)
    {
        float recipNorm = invSqrt (ax * ax + ay * ay + az * az);
        ax *= recipNorm;
        ay *= recipNorm;
        az *= recipNorm;

        recipNorm = invSqrt (mx * mx + my * my + mz * mz);
        mx *= recipNorm;
        my *= recipNorm;
        mz *= recipNorm;

        const float q0q0 = q0 * q0, q1q1 = q1 * q1, q2q2 = q2 * q2, q3q3 = q3 * q3;

        const float hx = mx * (q0q0 + q1q1 - q2q2 - q3q3) + 2.0f * my * (q1 * q2 - q0 * q3) + 2.0f * mz * (q0 * q2 + q1 * q3);
        const float hy = 2.0f * mx * (q0 * q3 + q1 * q2) + my * (q0q0 - q1q1 + q2q2 - q3q3) + 2.0f * mz * (q2 * q3 - q0 * q1);
        const float Bx = std::sqrt (hx * hx + hy * hy);
        const float Bz = 2.0f * mx * (q1 * q3 - q0 * q2) + 2.0f * my * (q0 * q1 + q2 * q3) + mz * (q0q0 - q1q1 - q2q2 + q3q3);

        const float Fa1 = 2.0f * (q1 * q3 - q0 * q2) - ax;
        const float Fa2 = 2.0f * (q0 * q1 + q2 * q3) - ay;
        const float Fa3 = 1.0f - 2.0f * q1q1 - 2.0f * q2q2 - az;
        const float Fm1 = Bx * (0.5f - q2q2 - q3q3) + Bz * (q1 * q3 - q0 * q2) - mx;
        const float Fm2 = Bx * (q1 * q2 - q0 * q3) + Bz * (q0 * q1 + q2 * q3) - my;
        const float Fm3 = Bx * (q0 * q2 + q1 * q3) + Bz * (0.5f - q1q1 - q2q2) - mz;

        float s0 = -2.0f * q2 * Fa1 + 2.0f * q1 * Fa2 - Bz * q2 * Fm1 + (-Bx * q3 + Bz * q1) * Fm2 + Bx * q2 * Fm3;
        float s1 = 2.0f * q3 * Fa1 + 2.0f * q0 * Fa2 - 4.0f * q1 * Fa3 + Bz * q3 * Fm1 + (Bx * q2 + Bz * q0) * Fm2
                 + (Bx * q3 - 2.0f * Bz * q1) * Fm3;
        float s2 = -2.0f * q0 * Fa1 + 2.0f * q3 * Fa2 - 4.0f * q2 * Fa3 + (-2.0f * Bx * q2 - Bz * q0) * Fm1
                 + (Bx * q1 + Bz * q3) * Fm2 + (Bx * q0 - 2.0f * Bz * q2) * Fm3;
        float s3 = 2.0f * q1 * Fa1 + 2.0f * q2 * Fa2 + (-2.0f * Bx * q3 + Bz * q1) * Fm1 + (-Bx * q0 + Bz * q2) * Fm2
                 + Bx * q1 * Fm3;

        recipNorm = invSqrt (s0 * s0 + s1 * s1 + s2 * s2 + s3 * s3);
        s0 *= recipNorm;
        s1 *= recipNorm;
        s2 *= recipNorm;
        s3 *= recipNorm;

        qDot0 -= beta * s0;
        qDot1 -= beta * s1;
        qDot2 -= beta * s2;
        qDot3 -= beta * s3;
    }
    else if (haveAccel)
    {
        const float recipNorm = invSqrt (ax * ax + ay * ay + az * az);
        ax *= recipNorm;
        ay *= recipNorm;
        az *= recipNorm;

        const float q0q0 = q0 * q0, q1q1 = q1 * q1, q2q2 = q2 * q2, q3q3 = q3 * q3;

        float s0 = 4.0f * q0 * q2q2 + 2.0f * q2 * ax + 4.0f * q0 * q1q1 - 2.0f * q1 * ay;
        float s1 = 4.0f * q1 * q3q3 - 2.0f * q3 * ax + 4.0f * q0q0 * q1 - 2.0f * q0 * ay - 4.0f * q1
                 + 8.0f * q1 * q1q1 + 8.0f * q1 * q2q2 + 4.0f * q1 * az;
        float s2 = 4.0f * q0q0 * q2 + 2.0f * q0 * ax + 4.0f * q2 * q3q3 - 2.0f * q3 * ay - 4.0f * q2
                 + 8.0f * q2 * q1q1 + 8.0f * q2 * q2q2 + 4.0f * q2 * az;
        float s3 = 4.0f * q1q1 * q3 - 2.0f * q1 * ax + 4.0f * q2q2 * q3 - 2.0f * q2 * ay;

        const float sNorm = invSqrt (s0 * s0 + s1 * s1 + s2 * s2 + s3 * s3);
        s0 *= sNorm;
        s1 *= sNorm;
        s2 *= sNorm;
        s3 *= sNorm;

        qDot0 -= beta * s0;
        qDot1 -= beta * s1;
        qDot2 -= beta * s2;
        qDot3 -= beta * s3;
    }

    const float dt = 1.0f / sampleFreq;
    q0 += qDot0 * dt;
    q1 += qDot1 * dt;
    q2 += qDot2 * dt;
    q3 += qDot3 * dt;

    const float recipNorm = invSqrt (q0 * q0 + q1 * q1 + q2 * q2 + q3 * q3);
    return { q0 * recipNorm, q1 * recipNorm, q2 * recipNorm, q3 * recipNorm };
}
