#include "TrackerTestSupport.h"

#include "headtracker/Bridge.h"
#include "headtracker/CalibrationThread.h"
#include "headtracker/SerialProbe.h"
#include "tools/sim/TrackerSimulator.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ormalix::test;

// The whole road on real parts: a pseudo-terminal, the bridge's timer on the message loop, the
// calibration thread. Takes the calibration's 30 seconds of real time.
TEST (TrackerEndToEnd, CalibrationThroughTheSimulatorRecoversItsDistortion)
{
    resetTrackerState();
    setBuiltInMagnetometerCalibration();

    ormalix::sim::TrackerSimulatorOptions options;
    options.motion = ormalix::sim::motions::allDirections();
    options.noise = 1.0;
    options.spikeProbability = 0.01;
    options.splitProbability = 0.05;
    options.garbledProbability = 0.005;
    const auto distortion = options.distortion;

    TempDeviceFolder dev;
    ormalix::sim::TrackerSimulator tracker (options);
    ASSERT_TRUE (tracker.start (dev.folder));

    Bridge bridge;
    CalibrationThread calibration;
    testing::internal::CaptureStdout();
    ASSERT_TRUE (findAndConnectSerial (bridge, dev.path(), 300));
    bridge.resetOrientation();

    ASSERT_TRUE (calibration.startThread());
    const bool finished = pumpMessagesUntil ([] { return mag_calib_finished.load (std::memory_order_acquire); }, 60000);
    const std::string trace = testing::internal::GetCapturedStdout();
    ASSERT_TRUE (finished);
    EXPECT_NE (trace.find ("evecs: \n"), std::string::npos);
    EXPECT_EQ (numMagData.load(), magDataCapacity);
    EXPECT_FALSE (m_storeMagData.load());
    EXPECT_FLOAT_EQ (Beta, 0.6f);

    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR (magnetometerOffset[i], -distortion.centre[i], 1.0) << i;

    for (int j = 0; j < 3; ++j)
    {
        // The fitted axis closest to each known one carries its radius.
        int best = 0;
        double bestDot = 0.0;
        for (int i = 0; i < 3; ++i)
        {
            const Eigen::Vector3d column (magnetometerTransform[3 * i], magnetometerTransform[3 * i + 1], magnetometerTransform[3 * i + 2]);
            const double dot = std::abs (column.normalized().dot (distortion.axes.col (j)));
            if (dot > bestDot)
            {
                bestDot = dot;
                best = i;
            }
        }
        EXPECT_GT (bestDot, 0.95) << j;
        EXPECT_NEAR (magnetometerRadii[best], distortion.radii[j], 0.02 * distortion.radii[j]) << j;
    }

    // With the new calibration and the final gain, a head held still is tracked to its attitude.
    const Eigen::Quaterniond truth = Eigen::AngleAxisd (-1.0, Eigen::Vector3d::UnitZ()) * Eigen::AngleAxisd (0.3, Eigen::Vector3d::UnitX());
    tracker.setMotion (ormalix::sim::motions::still (truth));
    // On a loaded machine the bridge's reads fall behind and lines are dropped, so the filter may
    // need longer than its nominal few seconds.
    const auto errorDegrees = [&] { return Eigen::Quaterniond (q0, q1, q2, q3).angularDistance (truth) * 180.0 / 3.14159265358979323846; };
    pumpMessagesUntil ([&] { return errorDegrees() < 1.0; }, 20000);
    pumpMessagesFor (500);
    EXPECT_LT (errorDegrees(), 3.0);
    EXPECT_LT (meanRotVel, 0.05);

    // Unplugged: nothing more arrives, the angles stay as they were, nothing breaks.
    tracker.stop();
    pumpMessagesFor (200);
    const int decoded = bridge.imu.sampleCount;
    const float angles[3] = { bridge.eulerX, bridge.eulerY, bridge.eulerZ };
    pumpMessagesFor (300);
    EXPECT_EQ (bridge.imu.sampleCount, decoded);
    EXPECT_TRUE (bridge.connected);
    EXPECT_EQ (bridge.eulerX, angles[0]);
    EXPECT_EQ (bridge.eulerY, angles[1]);
    EXPECT_EQ (bridge.eulerZ, angles[2]);
}
