#include "TrackerTestSupport.h"

#include "headtracker/IMU.h"
#include "headtracker/MadgwickStep.h"
#include "tools/sim/TrackerSimulator.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ormalix::test;

namespace
{
using Fields = std::array<double, 10>;

std::string line (const Fields& f)
{
    std::string s;
    for (double v : f)
        s += juce::String (v, 6).toStdString() + ",";
    return s + "\r\n";
}

// A level, still tracker: 1 g on the third axis, a field along the first.
Fields still (double timeUs) { return { timeUs, 0, 0, -1000, 0, 0, 0, 30, 0, -40 }; }

double angleBetween (const Eigen::Quaterniond& a, const Eigen::Quaterniond& b)
{
    return a.angularDistance (b) * 180.0 / 3.14159265358979323846;
}

Eigen::Quaterniond filterQuaternion() { return { q0, q1, q2, q3 }; }

bool quaternionIsFiniteUnit()
{
    const double n = std::sqrt (q0 * q0 + q1 * q1 + q2 * q2 + q3 * q3);
    return std::isfinite (n) && std::abs (n - 1.0) < 0.01;
}
} // namespace

class ImuDecoder : public testing::Test
{
protected:
    void SetUp() override { resetTrackerState(); }

    OrientationSample feed (const std::string& text) { return imu.getQuaternion (juce::String (text)); }

    IMU imu;
};

TEST_F (ImuDecoder, EmptyReadChangesNothing)
{
    EXPECT_FALSE (feed ("").valid);
    EXPECT_EQ (imu.sampleCount, 0);
    EXPECT_FALSE (feed ("\r\n\n").valid);
}

TEST_F (ImuDecoder, LineSplitAcrossTwoReadsIsReassembled)
{
    EXPECT_FALSE (feed ("1000,2,3").valid);
    EXPECT_EQ (imu.pendingLine, "1000,2,3");
    EXPECT_EQ (imu.sampleCount, 0);

    const auto s = feed (",4,5,6,7,8,9,10,\r\n");
    EXPECT_TRUE (s.valid);
    EXPECT_EQ (imu.sampleCount, 1);
    EXPECT_TRUE (imu.pendingLine.isEmpty());
    EXPECT_TRUE (imu.nextLine.isEmpty());
    EXPECT_FLOAT_EQ (s.values[0], 1000.0f);
    EXPECT_FLOAT_EQ (imu.filtered[7], 8.0f);
    EXPECT_FLOAT_EQ (imu.filtered[9], 10.0f);
}

TEST_F (ImuDecoder, TwoCompleteLinesAreAveraged)
{
    const auto s = feed ("1000,100,200,300,10,20,30,40,50,60,\r\n3000,300,400,500,30,40,50,60,70,80,\r\n");
    EXPECT_TRUE (s.valid);
    EXPECT_EQ (imu.sampleCount, 1);
    EXPECT_FLOAT_EQ (imu.current[0], 2000.0f);
    EXPECT_FLOAT_EQ (imu.current[1], -0.2f);
    EXPECT_FLOAT_EQ (imu.current[7], 50.0f);
    EXPECT_TRUE (imu.pendingLine.isEmpty());
}

TEST_F (ImuDecoder, StartOfAThirdLineIsDiscardedAndItsEndWaits)
{
    EXPECT_TRUE (feed (line (still (10000)) + line (still (20000)) + "30000,1,2,3,").valid);
    EXPECT_FLOAT_EQ (imu.current[0], 15000.0f);
    EXPECT_TRUE (imu.pendingLine.isEmpty());

    // The end of the cut line cannot make a line of its own: it waits, then is thrown away
    // when the next line makes it too long.
    EXPECT_FALSE (feed ("4,5,6,7,8,9,\r\n").valid);
    EXPECT_EQ (imu.pendingLine, "4,5,6,7,8,9,");
    EXPECT_FALSE (feed (line (still (40000))).valid);
    EXPECT_TRUE (imu.pendingLine.isEmpty());

    const auto s = feed (line (still (50000)));
    EXPECT_TRUE (s.valid);
    EXPECT_FLOAT_EQ (imu.current[0], 50000.0f);
}

TEST_F (ImuDecoder, LoneZeroAndOverlongLinesAreThrownAway)
{
    EXPECT_FALSE (feed ("0\r\n").valid);
    EXPECT_TRUE (imu.pendingLine.isEmpty());

    EXPECT_FALSE (feed ("1,2,3,4,5,6,7,8,9,10,11,12,13,\r\n").valid);
    EXPECT_TRUE (imu.pendingLine.isEmpty());

    // Digits without any separator can never become a line; they must not pile up.
    for (int i = 0; i < 200; ++i)
        feed ("1234567890");
    EXPECT_LE (imu.pendingLine.length(), IMU::maxPendingLength);
    EXPECT_EQ (imu.sampleCount, 0);
}

TEST_F (ImuDecoder, FieldsAreScaledToGAndRadiansPerSecond)
{
    feed ("5,1000,-1000,0,90,90,90,7,8,9,\r\n");
    EXPECT_FLOAT_EQ (imu.current[0], 5.0f);
    EXPECT_FLOAT_EQ (imu.current[1], -1.0f);
    EXPECT_FLOAT_EQ (imu.current[2], -1.0f);
    EXPECT_NEAR (imu.current[4], 1.5708f, 1e-4f);
    EXPECT_NEAR (imu.current[5], -1.5708f, 1e-4f);
    EXPECT_NEAR (imu.current[6], -1.5708f, 1e-4f);
    EXPECT_FLOAT_EQ (imu.current[8], 8.0f);
}

TEST_F (ImuDecoder, MedianFilterTakesTheFirstLineAndRemovesASpike)
{
    feed (line (still (10000)));
    EXPECT_EQ (imu.filtered, imu.current);

    auto spiked = still (20000);
    spiked[7] = 5000;
    feed (line (spiked));
    EXPECT_FLOAT_EQ (imu.filtered[7], 30.0f);
    EXPECT_FLOAT_EQ (imu.filtered[0], 10000.0f); // one line of delay

    feed (line (still (30000)));
    EXPECT_FLOAT_EQ (imu.filtered[7], 30.0f);
    EXPECT_FLOAT_EQ (imu.filtered[0], 20000.0f);
}

TEST_F (ImuDecoder, SampleRateFollowsTimeStampsFromTheEleventhLine)
{
    for (int k = 1; k <= 12; ++k)
    {
        feed (line (still (20000.0 * k)));
        EXPECT_FLOAT_EQ (imu.sampleRate, k <= 10 ? 100.0f : 50.0f) << k;
    }
}

TEST_F (ImuDecoder, FilterVariantFollowsWhichSensorsHaveData)
{
    // Each case is the first line after start, so `filtered` is the line itself.
    struct Case
    {
        const char* what;
        Fields fields;
        float offset[3];
        float ax, ay, az; // accelerometer as the filter must see it (negated)
        float mx, my, mz; // magnetometer as the filter must see it
    };
    const Case cases[] = {
        { "full", { 1, 100, -50, -990, 3, -2, 1, 30, 5, -40 }, { 0, 0, 0 }, 0.1f, 0.05f, 0.99f, 30, 5, -40 },
        { "corrected magnetometer exactly zero", { 1, 100, -50, -990, 3, -2, 1, 30, 5, -40 }, { -30, -5, 40 },
          0.1f, 0.05f, 0.99f, 0, 0, 0 },
        { "no accelerometer", { 1, 0, 0, 0, 3, -2, 1, 30, 5, -40 }, { 0, 0, 0 }, 0, 0, 0, 30, 5, -40 },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        resetTrackerState();
        IMU fresh;
        std::copy (std::begin (c.offset), std::end (c.offset), magnetometerOffset);
        const auto q = fresh.getQuaternion (juce::String (line (c.fields)));
        ASSERT_TRUE (q.valid);

        const float g = 0.017453292f;
        const auto expected = madgwickStep ({}, 3 * g, 2 * g, -1 * g, c.ax, c.ay, c.az,
                                            c.mx, c.my, c.mz, 5.0f, 100.0f);
        EXPECT_FLOAT_EQ (fresh.mag[0], c.mx);
        EXPECT_NEAR (q0, expected.q0, 1e-6f);
        EXPECT_NEAR (q1, expected.q1, 1e-6f);
        EXPECT_NEAR (q2, expected.q2, 1e-6f);
        EXPECT_NEAR (q3, expected.q3, 1e-6f);
    }
}

TEST_F (ImuDecoder, MagnetometerCorrectionMapsTheEllipsoidOntoTheUnitSphere)
{
    const ormalix::sim::MagnetometerDistortion distortion;
    for (int i = 0; i < 3; ++i)
    {
        magnetometerOffset[i] = (float) -distortion.centre[i];
        magnetometerRadii[i] = (float) distortion.radii[i];
    }
    for (int k = 0; k < 9; ++k)
        magnetometerTransform[k] = (float) distortion.axes (k % 3, k / 3);

    const Eigen::Vector3d unit = Eigen::Vector3d (0.3, -0.5, 0.8).normalized();
    const Eigen::Vector3d raw = distortion.apply (unit);
    feed (line ({ 1, 0, 0, -1000, 0, 0, 0, raw.x(), raw.y(), raw.z() }));

    EXPECT_NEAR (imu.mag[0], unit.x(), 1e-4);
    EXPECT_NEAR (imu.mag[1], unit.y(), 1e-4);
    EXPECT_NEAR (imu.mag[2], unit.z(), 1e-4);
}

TEST_F (ImuDecoder, RotationSpeedIsTheHeadsOwnNotTheFilterStep)
{
    // Held still at the start gain, the filter still moves by Beta / sampleFreq each line.
    for (int k = 1; k <= 20; ++k)
        feed (line (still (10000.0 * k)));
    EXPECT_GT (imu.stepSpeed, 1.0f);
    EXPECT_EQ (meanRotVel, 0.0);

    // A steady turn of 30 deg/s shows as 30 deg/s once the history has filled.
    for (int k = 21; k <= 30; ++k)
    {
        auto f = still (10000.0 * k);
        f[4] = 18;
        f[5] = 24;
        feed (line (f));
    }
    EXPECT_NEAR (meanRotVel, 30.0 * 0.017453292, 1e-5);
}

TEST_F (ImuDecoder, ImplausiblyFastUpdateIsRejectedButCountsForTheSpeed)
{
    for (int k = 1; k <= 5; ++k)
        feed (line (still (10000.0 * k)));

    // Two lines in a row get past the median filter; the second reaches the filter.
    auto fast = still (60000);
    fast[4] = 4000;
    feed (line (fast));
    const float before[4] = { q0, q1, q2, q3 };
    fast[0] = 70000;
    const auto s = feed (line (fast));

    EXPECT_FALSE (s.valid);
    EXPECT_GT (imu.stepSpeed, 34.906586f);
    EXPECT_EQ (q0, before[0]);
    EXPECT_EQ (q1, before[1]);
    EXPECT_EQ (q2, before[2]);
    EXPECT_EQ (q3, before[3]);
    EXPECT_NEAR (meanRotVel, 4000.0 * 0.017453292 / 5.0, 1e-3);
}

TEST_F (ImuDecoder, CalibrationBufferFillsToItsEndThenClearsTheFlag)
{
    m_storeMagData.store (true);
    numMagData.store (magDataCapacity - 1);

    feed (line (still (10000)));
    EXPECT_EQ (numMagData.load(), magDataCapacity);
    EXPECT_TRUE (m_storeMagData.load());
    EXPECT_FLOAT_EQ (magData (0, magDataCapacity - 1), 30.0f);
    EXPECT_FLOAT_EQ (magData (2, magDataCapacity - 1), -40.0f);

    feed (line (still (20000)));
    EXPECT_EQ (numMagData.load(), magDataCapacity);
    EXPECT_FALSE (m_storeMagData.load());
}

TEST_F (ImuDecoder, LogStoresHostTimeAndFilteredSampleUpToItsCapacity)
{
    m_storeImuData.store (true);
    feed (line ({ 10000, 12, -1, 1003, 0.1, -0.2, 0.3, 12, -230, 415 }));
    ASSERT_EQ (numImuData, 1u);
    EXPECT_FLOAT_EQ (imuData (0, 0), (float) std::fmod (imu.hostTimeMs, 100000000.0) * 1000.0f);
    for (int r = 1; r < 10; ++r)
        EXPECT_EQ (imuData (r, 0), imu.filtered[r]) << r;

    numImuData = imuDataCapacity - 1;
    feed (line (still (20000)));
    EXPECT_EQ (numImuData, imuDataCapacity);
    feed (line (still (30000)));
    EXPECT_EQ (numImuData, imuDataCapacity);
    EXPECT_EQ (imuData.cols(), (Eigen::Index) imuDataCapacity);
}

TEST_F (ImuDecoder, NonFiniteValuesNeverReachTheQuaternion)
{
    struct Case
    {
        const char* what;
        std::function<void()> prepare;
        Fields fields;
    };
    const Case cases[] = {
        { "radius 0", [] { magnetometerRadii[1] = 0.0f; }, still (0) },
        { "infinite accelerometer", [] {}, { 0, 1e39, 0, -1000, 0, 0, 0, 30, 0, -40 } },
        { "infinite gyroscope", [] {}, { 0, 0, 0, -1000, 1e39, 0, 0, 30, 0, -40 } },
        { "infinite magnetometer", [] {}, { 0, 0, 0, -1000, 0, 0, 0, -1e39, 0, -40 } },
        { "huge time stamps", [] {}, { 1e39, 0, 0, -1000, 0, 0, 0, 30, 0, -40 } },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        resetTrackerState();
        c.prepare();
        IMU fresh;
        for (int k = 0; k < 15; ++k)
        {
            auto f = c.fields;
            if (f[0] < 1e30)
                f[0] = 10000.0 * k;
            fresh.getQuaternion (juce::String (line (f)));
            ASSERT_TRUE (quaternionIsFiniteUnit()) << k;
            ASSERT_TRUE (std::isfinite (meanRotVel)) << k;
        }
    }
}

TEST_F (ImuDecoder, ConstantTurnAboutTheVerticalIntegratesToTheRightAngle)
{
    // Level, no magnetometer, 90 deg/s about z: 100 lines are 100 steps of 0.9 degrees.
    magnetometerRadii[0] = 0.0f;
    for (int k = 0; k < 100; ++k)
        feed (line ({ 10000.0 * k, 0, 0, -1000, 0, 0, -90, 0, 0, 0 }));

    const Eigen::Quaterniond expected (Eigen::AngleAxisd (3.14159265358979323846 / 2.0, Eigen::Vector3d::UnitZ()));
    EXPECT_LT (angleBetween (filterQuaternion(), expected), 0.1);
}

TEST_F (ImuDecoder, StillTrackerConvergesToItsTrueAttitude)
{
    ormalix::sim::TrackerSimulatorOptions options;
    const Eigen::Quaterniond truth = Eigen::AngleAxisd (0.6, Eigen::Vector3d::UnitZ())
                                   * Eigen::AngleAxisd (0.35, Eigen::Vector3d::UnitY())
                                   * Eigen::AngleAxisd (-0.2, Eigen::Vector3d::UnitX());
    options.motion = ormalix::sim::motions::still (truth);
    options.noise = 1.0;
    ormalix::sim::TrackerSignal signal (options);

    for (int i = 0; i < 3; ++i)
    {
        magnetometerOffset[i] = (float) -options.distortion.centre[i];
        magnetometerRadii[i] = (float) options.distortion.radii[i];
    }
    for (int k = 0; k < 9; ++k)
        magnetometerTransform[k] = (float) options.distortion.axes (k % 3, k / 3);

    Beta = 0.6f;
    for (int k = 0; k < 1000; ++k)
        feed (signal.nextLine());

    EXPECT_LT (angleBetween (filterQuaternion(), truth), 1.0);
}

TEST_F (ImuDecoder, GyroscopeOfTheSimulatorAgreesWithItsMotion)
{
    // With no gain the filter only integrates the gyroscope, so it must follow the motion.
    // Step n integrates the rate of line n - 2 (the median filter's delay): the integral
    // runs 1.5 lines behind the motion, from start to end.
    ormalix::sim::TrackerSimulatorOptions options;
    options.motion = ormalix::sim::motions::allDirections();
    ormalix::sim::TrackerSignal signal (options);
    const Eigen::Quaterniond start = options.motion (-0.015);
    q0 = (float) start.w(); q1 = (float) start.x(); q2 = (float) start.y(); q3 = (float) start.z();
    Beta = 0.0f;

    for (int k = 0; k < 300; ++k)
        ASSERT_TRUE (feed (signal.nextLine()).valid);

    EXPECT_LT (angleBetween (filterQuaternion(), options.motion (2.985)), 0.5);
}

TEST (InvSqrt, BitTrickWithOneNewtonStep)
{
    EXPECT_NEAR (invSqrt (1.0f), 0.998307f, 1e-6f); // the trick's known value at 1
    for (float x : { 1e-6f, 0.25f, 2.0f, 3.0f, 100.0f, 12345.0f, 1e6f })
        EXPECT_NEAR (invSqrt (x) * std::sqrt (x), 1.0f, 0.00176f) << x;
}
