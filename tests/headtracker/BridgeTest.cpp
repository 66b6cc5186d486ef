#include "TrackerTestSupport.h"

#include "headtracker/Bridge.h"
#include "headtracker/Serial.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ormalix::test;

namespace
{
constexpr double pi = 3.14159265358979323846;

void setFilterQuaternion (const Eigen::Quaternionf& q)
{
    q0 = q.w(); q1 = q.x(); q2 = q.y(); q3 = q.z();
}

Eigen::Quaternionf about (const Eigen::Vector3f& axis, double degrees)
{
    return Eigen::Quaternionf (Eigen::AngleAxisf ((float) (degrees * pi / 180.0), axis.normalized()));
}
} // namespace

class BridgeTest : public testing::Test
{
protected:
    void SetUp() override { resetTrackerState(); }
    Bridge bridge;
};

TEST_F (BridgeTest, AtRestTheHeadLooksStraightUpTheTrackersAxis)
{
    bridge.updateOrientation();

    EXPECT_NEAR (bridge.relativeQuat.w(), std::sqrt (0.5f), 1e-6f);
    EXPECT_NEAR (bridge.relativeQuat.x(), std::sqrt (0.5f), 1e-6f);
    EXPECT_NEAR (bridge.outputQuat.y(), std::sqrt (0.5f), 1e-6f);
    EXPECT_FLOAT_EQ (bridge.eulerX, 0.0f);
    EXPECT_FLOAT_EQ (bridge.eulerY, 90.0f);
    EXPECT_FLOAT_EQ (bridge.eulerZ, 0.0f);
}

TEST_F (BridgeTest, TestValueOfPointFourGivesItsArcSine)
{
    // outputQuat about y by asin (0.8) makes test = w y = 0.4; relativeQuat carries it about x.
    const double b = std::asin (0.8) * 180.0 / pi;
    setFilterQuaternion (about ({ 1, 0, 0 }, b - 90.0));
    bridge.updateOrientation();

    EXPECT_NEAR (bridge.outputQuat.x() * bridge.outputQuat.z() + bridge.outputQuat.w() * bridge.outputQuat.y(), 0.4f, 1e-5f);
    EXPECT_NEAR (bridge.eulerY, 53.13f, 0.01f);
    EXPECT_NEAR (bridge.eulerX, 0.0f, 1e-3f);
    EXPECT_NEAR (bridge.eulerZ, 0.0f, 1e-3f);
}

TEST_F (BridgeTest, AnglesDecomposeTheOutputQuaternion)
{
    struct Case
    {
        double a, b, c;
    };
    for (auto [a, b, c] : { Case { 20, 30, 40 }, Case { -50, 10, -120 }, Case { 170, -60, 5 }, Case { 0, 0, 0 } })
    {
        const Eigen::Quaternionf o = about ({ 1, 0, 0 }, a) * about ({ 0, 1, 0 }, b) * about ({ 0, 0, 1 }, c);
        const auto e = eulerAnglesOf (o);
        EXPECT_NEAR (e.x, a, 1e-3) << a << " " << b << " " << c;
        EXPECT_NEAR (e.y, b, 1e-3);
        EXPECT_NEAR (e.z, -c, 1e-3);
    }

    // The poles: only the turn about x is left, in the pole's own form.
    const auto north = eulerAnglesOf (about ({ 0, 1, 0 }, 90) * about ({ 0, 0, 1 }, 30));
    EXPECT_FLOAT_EQ (north.y, 90.0f);
    EXPECT_FLOAT_EQ (north.x, 0.0f);
    const auto south = eulerAnglesOf (about ({ 0, 1, 0 }, -90) * about ({ 0, 0, 1 }, 30));
    EXPECT_FLOAT_EQ (south.y, -90.0f);
    EXPECT_FLOAT_EQ (south.x, 0.0f);
    EXPECT_TRUE (std::isfinite (north.z) && std::isfinite (south.z));
}

TEST_F (BridgeTest, ResetTurnsTheReferenceAboutTheVerticalEachTime)
{
    setFilterQuaternion (about ({ 0, 0, 1 }, 35) * about ({ 1, 0, 0 }, 10));
    bridge.updateOrientation();
    const Eigen::Vector3f before = bridge.referenceMatrix.col (2);

    bridge.resetOrientation();
    const Eigen::Matrix3f once = bridge.referenceMatrix;
    bridge.resetOrientation(); // no new sample: the same turn again
    const Eigen::Matrix3f twice = bridge.referenceMatrix;

    EXPECT_TRUE (twice.isApprox (once * once, 1e-5f));
    EXPECT_FALSE (once.isApprox (Eigen::Matrix3f::Identity(), 1e-3f));
    EXPECT_TRUE (once.col (2).isApprox (before, 1e-6f)); // about z only
    EXPECT_NEAR (once.determinant(), 1.0f, 1e-5f);
}

TEST_F (BridgeTest, ResetWithoutAHeadingLeavesTheReference)
{
    // First row (0, 0, 1) exactly: nothing to take a heading from.
    bridge.relativeQuat = Eigen::Quaternionf (0.5f, 0.5f, 0.5f, 0.5f);
    bridge.resetOrientation();
    EXPECT_EQ (bridge.referenceMatrix, Eigen::Matrix3f::Identity());
}

TEST_F (BridgeTest, GainDropsFiveSecondsAfterOpeningEvenWithoutData)
{
    TempDeviceFolder dev;
    RawPty silent;
    ASSERT_TRUE (makeLink (dev.folder.getChildFile ("tty.silent"), silent.path));
    scanSerialDevices (dev.path());
    testing::internal::CaptureStdout();
    ASSERT_TRUE (openSerialDevice (0, 115200));
    testing::internal::GetCapturedStdout();
    bridge.deviceIndex = 0;
    bridge.connected = true;

    bridge.openTimeMs = (double) juce::Time::getMillisecondCounter() - 4900.0;
    bridge.timerCallback();
    EXPECT_FLOAT_EQ (Beta, 5.0f);

    bridge.openTimeMs = (double) juce::Time::getMillisecondCounter() - 5010.0;
    bridge.timerCallback();
    EXPECT_FLOAT_EQ (Beta, 0.6f);
    EXPECT_FLOAT_EQ (bridge.eulerY, 0.0f); // no sample, no angles
}

TEST_F (BridgeTest, NotConnectedCallbackOnlyTakesTheLock)
{
    bridge.openTimeMs = -1.0e9;
    bridge.timerCallback();
    EXPECT_FLOAT_EQ (Beta, 5.0f);
    EXPECT_FLOAT_EQ (bridge.eulerY, 0.0f);
    ASSERT_TRUE (mtx.try_lock());
    mtx.unlock();
}
