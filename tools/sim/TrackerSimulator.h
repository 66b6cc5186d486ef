#pragma once

#include <juce_core/juce_core.h>
#include <Eigen/Dense>
#include <Eigen/Geometry>

#include <atomic>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>

namespace ormalix::sim
{
// Orientation of the tracker over time: the rotation from the tracker's frame to the earth
// frame (x north, z up), in the orientation filter's convention.
using Motion = std::function<Eigen::Quaterniond (double seconds)>;

namespace motions
{
Motion still (const Eigen::Quaterniond& attitude = Eigen::Quaterniond::Identity());
// Turns at a constant rate about `axis` (earth frame), starting from `start`.
Motion turn (const Eigen::Vector3d& axis, double degreesPerSecond,
             const Eigen::Quaterniond& start = Eigen::Quaterniond::Identity());
// Turns the head through every direction: whole turns on the chair while nodding and tilting,
// so that the magnetometer sees the whole sphere within about 30 seconds.
Motion allDirections();
} // namespace motions

// The known distortion of the magnetometer: the earth field (unit length in the tracker's frame)
// is stretched by `radii` along the columns of `axes` and shifted by `centre`. The calibration
// that undoes it is offset = -centre, radii, transform = axes.
struct MagnetometerDistortion
{
    Eigen::Vector3d centre { 12.0, -25.0, 40.0 };
    Eigen::Vector3d radii { 42.0, 47.0, 52.0 };
    Eigen::Matrix3d axes = (Eigen::AngleAxisd (0.5, Eigen::Vector3d::UnitZ())
                            * Eigen::AngleAxisd (0.35, Eigen::Vector3d::UnitX())).toRotationMatrix();

    Eigen::Vector3d apply (const Eigen::Vector3d& unitField) const
    {
        return axes * radii.asDiagonal() * axes.transpose() * unitField + centre;
    }
};

struct TrackerSimulatorOptions
{
    Motion motion = motions::still();
    double rateHz = 100.0;
    double startTimeUs = 1000000.0;

    // Sensor noise, as a multiple of a typical tracker's (2 mg, 0.3 deg/s, 0.3 units).
    double noise = 0.0;
    // Chances per line.
    double spikeProbability = 0.0;    // one field far off
    double garbledProbability = 0.0;  // bytes replaced, commas lost
    double overlongProbability = 0.0; // a line of 30 fields
    double splitProbability = 0.0;    // the line goes out in two writes a few ms apart

    MagnetometerDistortion distortion;
    // Direction of the earth field in the earth frame (north and 65 degrees down).
    Eigen::Vector3d earthField { 0.42261826174069944, 0.0, -0.90630778703665 };
    unsigned seed = 1;
};

// The tracker's lines as a pure sequence, without any device: line k is sample time k / rateHz.
class TrackerSignal
{
public:
    explicit TrackerSignal (TrackerSimulatorOptions options);

    // The ten fields in the tracker's own units: µs, milli-g, deg/s, raw magnetometer units.
    std::array<double, 10> fieldsAt (double seconds) const;

    static std::string formatLine (const std::array<double, 10>& fields);

    // The next line with its line end, faults and noise included.
    std::string nextLine();

    // Whether the line just returned should go out in two writes.
    bool lastLineIsSplit() const { return split; }

    void setMotion (Motion motion) { options.motion = std::move (motion); }
    const TrackerSimulatorOptions& getOptions() const { return options; }
    long long getLineIndex() const { return index; }

private:
    TrackerSimulatorOptions options;
    std::mt19937 rng;
    long long index = 0;
    bool split = false;

    double uniform() { return std::uniform_real_distribution<double> (0.0, 1.0) (rng); }
    double gaussian() { return std::normal_distribution<double> (0.0, 1.0) (rng); }
};

// A head tracker on a pseudo-terminal, streaming on its own thread at the tracker's rate.
// start() opens the terminal (and can put a link to it in a folder, so that a search can scan
// that folder); stop() is unplugging it.
class TrackerSimulator
{
public:
    explicit TrackerSimulator (TrackerSimulatorOptions options = {});
    ~TrackerSimulator();

    // Opens the pseudo-terminal and starts streaming. With a folder, a symbolic link named
    // `linkName` to the device is made there (an old link of that name is replaced).
    bool start (const juce::File& linkFolder = {}, const juce::String& linkName = "tty.HeadTrackerSim");

    // Stops streaming, closes the terminal and removes the link.
    void stop();

    bool isRunning() const { return running.load (std::memory_order_acquire); }

    // The device, e.g. /dev/pts/3, and the link made by start() (empty if none).
    juce::String getDevicePath() const { return devicePath; }
    juce::String getLinkPath() const { return linkPath; }

    void setMotion (Motion motion);
    long long getLinesSent() const { return linesSent.load (std::memory_order_acquire); }

private:
    void streamLoop();
    void writeAll (const char* data, size_t size);

    std::mutex signalLock;
    TrackerSignal signal;
    std::thread thread;
    std::atomic<bool> running { false };
    std::atomic<long long> linesSent { 0 };
    int masterFd = -1, slaveFd = -1;
    juce::String devicePath, linkPath;
};
} // namespace ormalix::sim
