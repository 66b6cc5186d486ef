#include "IMU.h"

#include "MadgwickStep.h"
#include "TrackerGlobals.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr float fieldScale[10] = { 1.0f, -0.001f, 0.001f, 0.001f,
                                   0.017453292f, -0.017453292f, -0.017453292f,
                                   1.0f, 1.0f, 1.0f };

// 2000 degrees per second in rad/s.
constexpr float maxPlausibleSpeed = 34.906585693359375f;

double numberIn (const juce::String& token)
{
    auto p = token.getCharPointer();
    return juce::CharacterFunctions::readDoubleValue (p);
}

// Comparisons only, so a NaN cannot upset it.
float median3 (float a, float b, float c)
{
    return std::max (std::min (a, b), std::min (std::max (a, b), c));
}

// A lone zero and anything of 12 tokens or more are thrown away.
void cleanUp (juce::String& text, juce::StringArray& tokens)
{
    tokens.addTokens (text, ",", "");
    if ((tokens.size() == 1 && numberIn (tokens[0]) == 0.0) || tokens.size() >= 12)
    {
        text.clear();
        tokens.clear();
    }
}

bool allFinite (const FilterQuaternion& q)
{
    return std::isfinite (q.q0) && std::isfinite (q.q1) && std::isfinite (q.q2) && std::isfinite (q.q3);
}
} // namespace

IMU::IMU() = default;

juce::String IMU::textFromBytes (const char* data, int size)
{
    if (data == nullptr || size <= 0)
        return {};

    bool plain = true;
    for (int i = 0; i < size && plain; ++i)
        plain = data[i] != 0 && (unsigned char) data[i] < 128;

    if (plain)
        return juce::String (juce::CharPointer_UTF8 (data), (size_t) size);

    std::array<juce::juce_wchar, 4097> local;
    std::vector<juce::juce_wchar> large;
    juce::juce_wchar* chars = local.data();
    if ((size_t) size >= local.size())
    {
        large.resize ((size_t) size + 1);
        chars = large.data();
    }

    int n = 0;
    for (int i = 0; i < size; ++i)
        if (data[i] != 0)
            chars[n++] = (juce::juce_wchar) (unsigned char) data[i];
    chars[n] = 0;

    return juce::String (juce::CharPointer_UTF32 (chars), (size_t) n);
}

OrientationSample IMU::getQuaternion (const juce::String& text)
{
    OrientationSample result;

    if (text.isEmpty())
        return result;

    // Lines of this read; the first completes what is pending, the second is kept for later.
    auto lines = juce::StringArray::fromLines (text);
    lines.removeEmptyStrings (false);

    if (! lines.isEmpty())
    {
        pendingLine += lines[0];
        nextLine = lines.size() > 1 ? lines[1] : juce::String();
    }

    if (pendingLine.length() > maxPendingLength)
        pendingLine.clear();

    juce::StringArray nextTokens, pendingTokens;
    cleanUp (nextLine, nextTokens);
    cleanUp (pendingLine, pendingTokens);

    bool decoded = false;
    if (pendingTokens.size() == 11 && nextTokens.size() == 11 && nextLine.endsWithChar (','))
    {
        decode (nextTokens, &pendingTokens);
        pendingLine.clear();
        decoded = true;
    }
    else if (pendingTokens.size() == 11 && pendingLine.endsWithChar (','))
    {
        decode (pendingTokens, nullptr);
        pendingLine = nextLine;
        decoded = true;
    }

    nextLine.clear();

    if (! decoded)
        return result;

    runMedianFilter();
    capture();

    for (int i = 0; i < 3; ++i)
    {
        accel[i] = filtered[1 + i];
        gyro[i] = filtered[4 + i];
    }
    calibrateMagnetometerSample();

    const FilterQuaternion before { q0, q1, q2, q3 };
    FilterQuaternion after = madgwickStep (before, gyro[0], gyro[1], gyro[2],
                                           -accel[0], -accel[1], -accel[2],
                                           mag[0], mag[1], mag[2], Beta, sampleFreq);

    // The shown rotation speed is the head's own, from the gyroscope: the filter step alone
    // moves a still head by Beta / sampleFreq every line.
    const double headSpeed = std::sqrt ((double) gyro[0] * gyro[0] + (double) gyro[1] * gyro[1] + (double) gyro[2] * gyro[2]);
    if (std::isfinite (headSpeed))
    {
        std::rotate (rotationSpeedHistory.begin(), rotationSpeedHistory.begin() + 1, rotationSpeedHistory.end());
        rotationSpeedHistory.back() = headSpeed;
        double sum = 0.0;
        for (auto s : rotationSpeedHistory)
            sum += s;
        meanRotVel = sum / (double) rotationSpeedHistory.size();
    }

    // Non-finite input must never reach the filter state, which could not recover from it.
    if (! allFinite (after))
        return result;

    // Turn implied by the step: r = q_new * conjugate (q_previous).
    const float rw = after.q0 * before.q0 + after.q1 * before.q1 + after.q2 * before.q2 + after.q3 * before.q3;
    const float rx = -after.q0 * before.q1 + after.q1 * before.q0 - after.q2 * before.q3 + after.q3 * before.q2;
    const float ry = -after.q0 * before.q2 + after.q1 * before.q3 + after.q2 * before.q0 - after.q3 * before.q1;
    const float rz = -after.q0 * before.q3 - after.q1 * before.q2 + after.q2 * before.q1 + after.q3 * before.q0;
    const float angle = 2.0f * std::atan2 (std::sqrt (rx * rx + ry * ry + rz * rz), std::abs (rw));
    stepSpeed = sampleRate * angle;

    if (stepSpeed > maxPlausibleSpeed)
        return result;

    q0 = after.q0;
    q1 = after.q1;
    q2 = after.q2;
    q3 = after.q3;

    result.valid = true;
    result.values << filtered[0], q0, q1, q2, q3;
    return result;
}

void IMU::decode (const juce::StringArray& tokens, const juce::StringArray* other)
{
    ++sampleCount;

    for (int i = 0; i < 10; ++i)
        current[i] = (float) numberIn (tokens[i]);

    if (other != nullptr)
        for (int i = 0; i < 10; ++i)
            current[i] = (current[i] + (float) numberIn ((*other)[i])) * 0.5f;

    hostTimeMs = juce::Time::getMillisecondCounterHiRes();

    for (int i = 0; i < 10; ++i)
        current[i] *= fieldScale[i];
}

void IMU::runMedianFilter()
{
    if (sampleCount == 1)
    {
        filtered = current;
        previousRaw = current;
    }

    sampleRate = sampleCount <= 10 ? 100.0f : 1000000.0f / (previousRaw[0] - filtered[0]);

    // One line of delay: the output stands for the previous line.
    TrackerSample next;
    next[0] = previousRaw[0];
    for (int i = 1; i < 10; ++i)
        next[i] = median3 (filtered[i], previousRaw[i], current[i]);

    filtered = next;
    previousRaw = current;
}

void IMU::capture()
{
    if (m_storeMagData.load (std::memory_order_acquire))
    {
        const unsigned n = numMagData.load (std::memory_order_acquire);
        if (n < magDataCapacity)
        {
            magData (0, n) = filtered[7];
            magData (1, n) = filtered[8];
            magData (2, n) = filtered[9];
            numMagData.store (n + 1, std::memory_order_release);
        }
        else
        {
            m_storeMagData.store (false, std::memory_order_release);
        }
    }

    // The log stops at its capacity; nothing is written past it.
    if (m_storeImuData.load (std::memory_order_acquire) && numImuData < imuDataCapacity
        && numImuData < (unsigned) imuData.cols())
    {
        auto column = imuData.col (numImuData);
        column = filtered;
        column[0] = (float) std::fmod (hostTimeMs, 100000000.0) * 1000.0f;
        ++numImuData;
    }
}

void IMU::calibrateMagnetometerSample()
{
    // c = m + offset; u = E^T c; v = u / radii; mag = E v (E held column by column).
    float c[3], v[3];
    for (int i = 0; i < 3; ++i)
        c[i] = filtered[7 + i] + magnetometerOffset[i];

    for (int col = 0; col < 3; ++col)
    {
        const float u = magnetometerTransform[3 * col] * c[0]
                      + magnetometerTransform[3 * col + 1] * c[1]
                      + magnetometerTransform[3 * col + 2] * c[2];
        v[col] = u / magnetometerRadii[col];
    }

    bool finite = true;
    for (int row = 0; row < 3; ++row)
    {
        mag[row] = magnetometerTransform[row] * v[0] + magnetometerTransform[3 + row] * v[1] + magnetometerTransform[6 + row] * v[2];
        finite = finite && std::isfinite (mag[row]);
    }

    // A zero radius or a broken reading: the filter runs without the magnetometer this time.
    if (! finite)
        mag[0] = mag[1] = mag[2] = 0.0f;
}
