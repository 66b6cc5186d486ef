#include "TrackerTestSupport.h"

#include "headtracker/CalibrationThread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace ormalix::test;

namespace
{
constexpr double pi = 3.14159265358979323846;

// Points spread evenly over an ellipsoid: unit directions stretched, turned and shifted.
Eigen::MatrixXd ellipsoidSamples (const Eigen::Vector3d& centre, const Eigen::Vector3d& radii,
                                  const Eigen::Matrix3d& axes = Eigen::Matrix3d::Identity(), int n = 3000)
{
    Eigen::MatrixXd p (3, n);
    const double golden = pi * (3.0 - std::sqrt (5.0));
    for (int i = 0; i < n; ++i)
    {
        const double z = 1.0 - 2.0 * (i + 0.5) / n;
        const double r = std::sqrt (1.0 - z * z);
        const Eigen::Vector3d unit (r * std::cos (golden * i), r * std::sin (golden * i), z);
        p.col (i) = axes * radii.asDiagonal() * axes.transpose() * unit + centre;
    }
    return p;
}

void expectRelative (double actual, double expected, double tolerance = 1e-6)
{
    EXPECT_NEAR (actual, expected, tolerance * std::max (1.0, std::abs (expected)));
}

Eigen::Matrix3d transformOf (const MagnetometerCalibration& c)
{
    Eigen::Matrix3d e;
    for (int k = 0; k < 9; ++k)
        e (k % 3, k / 3) = c.transform[k];
    return e;
}

void loadMagData (const Eigen::MatrixXd& samples)
{
    magData.leftCols (samples.cols()) = samples.cast<float>();
}
} // namespace

TEST (EllipsoidFit, SphereIsRecovered)
{
    const auto c = CalibrationThread::calibrateMagnetometer (ellipsoidSamples ({ 10, -20, 5 }, { 50, 50, 50 }), nullptr);

    expectRelative (c.offset[0], -10);
    expectRelative (c.offset[1], 20);
    expectRelative (c.offset[2], -5);
    for (float r : c.radii)
        expectRelative (r, 50);
    const Eigen::Matrix3d e = transformOf (c);
    // All three eigenvalues are equal: any basis is an eigenbasis, and the general solver returns
    // unit vectors that are only roughly orthogonal. Real data never has three equal radii.
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR (e.col (i).norm(), 1.0, 1e-6);
    EXPECT_TRUE (c.isUsable());
}

TEST (EllipsoidFit, AxisAlignedEllipsoidGivesRadiiAlongItsAxes)
{
    const Eigen::Vector3d radii (30, 40, 50);
    const auto c = CalibrationThread::calibrateMagnetometer (ellipsoidSamples ({ 0, 0, 0 }, radii), nullptr);
    const Eigen::Matrix3d e = transformOf (c);

    for (int i = 0; i < 3; ++i)
    {
        EXPECT_NEAR (c.offset[i], 0.0, 1e-5);
        Eigen::Index axis;
        const double along = e.col (i).cwiseAbs().maxCoeff (&axis);
        EXPECT_NEAR (along, 1.0, 1e-6) << "eigenvector " << i;
        expectRelative (c.radii[i], radii[axis]);
    }
}

TEST (EllipsoidFit, TurnedEllipsoidIsUndoneByTheCorrection)
{
    const Eigen::Matrix3d axes = (Eigen::AngleAxisd (0.5, Eigen::Vector3d::UnitZ()) * Eigen::AngleAxisd (0.35, Eigen::Vector3d::UnitX())).toRotationMatrix();
    const Eigen::MatrixXd p = ellipsoidSamples ({ 12, -25, 40 }, { 42, 47, 52 }, axes);
    const auto c = CalibrationThread::calibrateMagnetometer (p, nullptr);

    // E diag (1/r) E^T (m + offset) must lie on the unit sphere for every sample.
    const Eigen::Matrix3d e = transformOf (c);
    const Eigen::Vector3d inv (1.0 / c.radii[0], 1.0 / c.radii[1], 1.0 / c.radii[2]);
    const Eigen::Vector3d offset (c.offset[0], c.offset[1], c.offset[2]);
    for (int i = 0; i < p.cols(); i += 97)
        EXPECT_NEAR ((e * inv.asDiagonal() * e.transpose() * (p.col (i) + offset)).norm(), 1.0, 1e-5);
}

TEST (EllipsoidFit, TraceLabelsComeInOrder)
{
    std::ostringstream trace;
    CalibrationThread::calibrateMagnetometer (ellipsoidSamples ({ 10, -20, 5 }, { 50, 50, 50 }), &trace);
    const std::string text = trace.str();

    size_t at = 0;
    for (const char* label : { "A: \n", "center: \n", "T: \n", "R: \n", "argument eigensolver:",
                               "eigenvalues", "eigenvectors", "evals: \n", "evecs: \n" })
    {
        const size_t found = text.find (label, at);
        ASSERT_NE (found, std::string::npos) << label;
        at = found + std::strlen (label);
    }
    EXPECT_EQ (text.substr (text.size() - 2), "\n\n");
    EXPECT_NE (text.find ("eigenvalues(0.0004,0)\n"), std::string::npos); // complex as (real,imaginary)
}

TEST (EllipsoidFit, OnlyFiniteCalibrationsWithPositiveRadiiAreUsable)
{
    MagnetometerCalibration good;
    for (auto& r : good.radii) r = 1.0f;
    EXPECT_TRUE (good.isUsable());

    const float bad[] = { std::numeric_limits<float>::infinity(), std::nanf (""), 0.0f, -1.0f };
    for (float value : bad)
    {
        auto c = good;
        c.radii[1] = value;
        EXPECT_FALSE (c.isUsable()) << value;
    }
    auto c = good;
    c.transform[4] = std::nanf ("");
    EXPECT_FALSE (c.isUsable());
    c = good;
    c.offset[2] = std::numeric_limits<float>::infinity();
    EXPECT_FALSE (c.isUsable());
}

class CalibrationRun : public testing::Test
{
protected:
    void SetUp() override
    {
        resetTrackerState();
        setBuiltInMagnetometerCalibration();
        testing::internal::CaptureStdout(); // the fit's trace
    }
    void TearDown() override { testing::internal::GetCapturedStdout(); }

    void waitUntilGathering()
    {
        ASSERT_TRUE (thread.startThread());
        const auto end = juce::Time::getMillisecondCounter() + 2000;
        while (! m_storeMagData.load (std::memory_order_acquire) && juce::Time::getMillisecondCounter() < end)
            juce::Thread::sleep (1);
        ASSERT_TRUE (m_storeMagData.load());
    }

    static bool builtInCalibrationInForce() { return magnetometerOffset[0] == 29.838562f && magnetometerRadii[2] == 49.779526f; }

    CalibrationThread thread;
};

TEST_F (CalibrationRun, FlatDiscInstallsNothingNonFinite)
{
    Eigen::MatrixXd disc (3, 3000);
    for (int i = 0; i < 3000; ++i)
        disc.col (i) << 40.0 * std::cos (0.01 * i), 40.0 * std::sin (0.01 * i), 7.0;
    loadMagData (disc);
    numMagData.store (3000);

    thread.calibrateMagnetometer();

    for (int i = 0; i < 3; ++i)
    {
        EXPECT_TRUE (std::isfinite (magnetometerOffset[i]));
        EXPECT_TRUE (std::isfinite (magnetometerRadii[i]) && magnetometerRadii[i] > 0.0f);
    }
    for (float t : magnetometerTransform)
        EXPECT_TRUE (std::isfinite (t));
}

TEST_F (CalibrationRun, FullBufferIsFittedAndInstalled)
{
    waitUntilGathering();
    EXPECT_FALSE (mag_calib_finished.load());
    EXPECT_EQ (numMagData.load(), 0u);

    // What the decoder would have gathered, then its clearing of the flag.
    loadMagData (ellipsoidSamples ({ 10, -20, 5 }, { 50, 50, 50 }));
    numMagData.store (3000, std::memory_order_release);
    m_storeMagData.store (false, std::memory_order_release);

    ASSERT_TRUE (thread.waitForThreadToExit (3000));
    EXPECT_TRUE (mag_calib_finished.load (std::memory_order_acquire));
    EXPECT_NEAR (magnetometerOffset[1], 20.0f, 1e-3f);
    EXPECT_NEAR (magnetometerRadii[0], 50.0f, 1e-3f);
}

TEST_F (CalibrationRun, AbortAtHalfTimeFitsNothing)
{
    waitUntilGathering();
    loadMagData (ellipsoidSamples ({ 10, -20, 5 }, { 50, 50, 50 }, Eigen::Matrix3d::Identity(), 1500));
    numMagData.store (1500, std::memory_order_release);
    m_storeMagData.store (false, std::memory_order_release);

    ASSERT_TRUE (thread.waitForThreadToExit (3000));
    EXPECT_FALSE (mag_calib_finished.load());
    EXPECT_TRUE (builtInCalibrationInForce());
}

TEST_F (CalibrationRun, StopRequestEndsGatheringWithoutWaitingItOut)
{
    waitUntilGathering();
    EXPECT_TRUE (thread.stopThread (1500)); // without it the loop would only look at the flag
    EXPECT_FALSE (thread.isThreadRunning());
    EXPECT_FALSE (m_storeMagData.load());
    EXPECT_FALSE (mag_calib_finished.load());
    EXPECT_TRUE (builtInCalibrationInForce());
}
