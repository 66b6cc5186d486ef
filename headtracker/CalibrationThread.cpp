#include "CalibrationThread.h"

#include "TrackerGlobals.h"

#include <cmath>
#include <iostream>

CalibrationThread::CalibrationThread() : juce::Thread ("Calibration thread") {}

CalibrationThread::~CalibrationThread()
{
    stopThread (2000);
}

void CalibrationThread::run()
{
    mag_calib_finished.store (false, std::memory_order_release);
    numMagData.store (0, std::memory_order_release);
    m_storeMagData.store (true, std::memory_order_release);

    // The decoder clears the flag when the buffer is full, the wizard when the user leaves.
    // A stop request (quitting) ends the wait too, and with it the gathering.
    while (m_storeMagData.load (std::memory_order_acquire))
    {
        if (threadShouldExit())
        {
            m_storeMagData.store (false, std::memory_order_release);
            return;
        }
        wait (1000);
    }

    if (threadShouldExit() || numMagData.load (std::memory_order_acquire) != magDataCapacity)
        return;

    calibrateMagnetometer();
    mag_calib_finished.store (true, std::memory_order_release);
}

void CalibrationThread::calibrateMagnetometer()
{
    const auto n = (Eigen::Index) numMagData.load (std::memory_order_acquire);
    const Eigen::MatrixXd samples = magData.leftCols (std::min (n, magData.cols())).cast<double>();
    const auto calibration = calibrateMagnetometer (samples, &std::cout);
    std::cout.flush();

    // A degenerate fit keeps the calibration that is in force.
    if (calibration.isUsable())
        installCalibration (calibration);
}

MagnetometerCalibration CalibrationThread::calibrateMagnetometer (const Eigen::MatrixXd& samples, std::ostream* trace)
{
    const Eigen::Index n = samples.cols();
    const Eigen::MatrixXd p = samples.transpose();
    const auto x = p.col (0).array(), y = p.col (1).array(), z = p.col (2).array();

    Eigen::MatrixXd d (n, 9);
    d.col (0) = x * x + y * y - 2.0 * z * z;
    d.col (1) = x * x + z * z - 2.0 * y * y;
    d.col (2) = 2.0 * x * y;
    d.col (3) = 2.0 * x * z;
    d.col (4) = 2.0 * y * z;
    d.col (5) = 2.0 * x;
    d.col (6) = 2.0 * y;
    d.col (7) = 2.0 * z;
    d.col (8).setOnes();
    const Eigen::VectorXd rhs = x * x + y * y + z * z;

    const Eigen::Matrix<double, 9, 9> normal = d.transpose() * d;
    const Eigen::Matrix<double, 9, 1> dtd = d.transpose() * rhs;
    const Eigen::Matrix<double, 9, 1> u = Eigen::ColPivHouseholderQR<Eigen::Matrix<double, 9, 9>> (normal).solve (dtd);

    double v[10];
    v[0] = u[0] + u[1] - 1.0;
    v[1] = u[0] - 2.0 * u[1] - 1.0;
    v[2] = u[1] - 2.0 * u[0] - 1.0;
    for (int i = 3; i < 10; ++i)
        v[i] = u[i - 1];

    Eigen::Matrix4d a;
    a << v[0], v[3], v[4], v[6],
         v[3], v[1], v[5], v[7],
         v[4], v[5], v[2], v[8],
         v[6], v[7], v[8], v[9];

    auto print = [trace] (const char* label, const auto& value)
    {
        if (trace != nullptr)
            *trace << label << value << "\n\n";
    };

    print ("A: \n", a);

    const Eigen::Vector3d b (v[6], v[7], v[8]);
    const Eigen::Matrix3d negA3 = -a.topLeftCorner<3, 3>();
    const Eigen::Vector3d centre = Eigen::ColPivHouseholderQR<Eigen::Matrix3d> (negA3).solve (b);
    print ("center: \n", centre);

    Eigen::Matrix4d t = Eigen::Matrix4d::Identity();
    t.block<1, 3> (3, 0) = centre.transpose();
    print ("T: \n", t);

    const Eigen::Matrix4d rc = t * a * t.transpose();
    print ("R: \n", rc);

    const Eigen::Matrix3d m = rc.topLeftCorner<3, 3>() / -rc (3, 3);
    print ("argument eigensolver:", m);

    const Eigen::EigenSolver<Eigen::Matrix3d> solver (m);
    print ("eigenvalues", solver.eigenvalues());
    print ("eigenvectors", solver.eigenvectors());

    const Eigen::Vector3d evals = solver.eigenvalues().real();
    const Eigen::Matrix3d evecs = solver.eigenvectors().real();
    print ("evals: \n", evals);
    print ("evecs: \n", evecs);

    MagnetometerCalibration result;
    for (int i = 0; i < 3; ++i)
    {
        result.radii[i] = (float) std::sqrt (1.0 / std::abs (evals[i]));
        result.offset[i] = (float) -centre[i];
    }
    for (int k = 0; k < 9; ++k)
        result.transform[k] = (float) evecs (k % 3, k / 3);

    return result;
}
