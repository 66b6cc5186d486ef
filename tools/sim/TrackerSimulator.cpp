#include "TrackerSimulator.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace ormalix::sim
{
namespace
{
constexpr double degToRad = 0.017453292; // the tracker's own factor, so a round trip is exact
constexpr double pi = 3.14159265358979323846;
} // namespace

namespace motions
{
Motion still (const Eigen::Quaterniond& attitude)
{
    const Eigen::Quaterniond q = attitude.normalized();
    return [q] (double) { return q; };
}

Motion turn (const Eigen::Vector3d& axis, double degreesPerSecond, const Eigen::Quaterniond& start)
{
    const Eigen::Vector3d a = axis.normalized();
    const Eigen::Quaterniond s = start.normalized();
    return [a, s, degreesPerSecond] (double t)
    {
        return Eigen::Quaterniond (Eigen::AngleAxisd (degreesPerSecond * pi / 180.0 * t, a)) * s;
    };
}

Motion allDirections()
{
    return [] (double t)
    {
        const double yaw = 2.0 * pi * 0.2 * t;                              // a turn every 5 s
        const double pitch = 75.0 * pi / 180.0 * std::sin (2.0 * pi * 0.13 * t);
        const double roll = 60.0 * pi / 180.0 * std::sin (2.0 * pi * 0.31 * t + 0.7);
        return Eigen::Quaterniond (Eigen::AngleAxisd (yaw, Eigen::Vector3d::UnitZ())
                                   * Eigen::AngleAxisd (pitch, Eigen::Vector3d::UnitY())
                                   * Eigen::AngleAxisd (roll, Eigen::Vector3d::UnitX()));
    };
}
} // namespace motions

//==============================================================================
TrackerSignal::TrackerSignal (TrackerSimulatorOptions o) : options (std::move (o)), rng (options.seed) {}

std::array<double, 10> TrackerSignal::fieldsAt (double t) const
{
    const Eigen::Quaterniond q = options.motion (t).normalized();
    const Eigen::Matrix3d toTracker = q.toRotationMatrix().transpose();

    // Angular rate in the tracker's frame from a central difference of the motion.
    const double h = 1.0e-4;
    const Eigen::Quaterniond dq = options.motion (t - 0.5 * h).normalized().conjugate() * options.motion (t + 0.5 * h).normalized();
    const Eigen::AngleAxisd step (dq.w() < 0.0 ? Eigen::Quaterniond (-dq.coeffs()) : dq);
    const Eigen::Vector3d omega = step.axis() * (step.angle() / h);

    // The filter expects "up" from the accelerometer after the decoder negates it.
    const Eigen::Vector3d up = toTracker * Eigen::Vector3d::UnitZ();
    const Eigen::Vector3d field = options.distortion.apply (toTracker * options.earthField.normalized());

    std::array<double, 10> f {};
    f[0] = std::round (options.startTimeUs + t * 1.0e6);
    f[1] = up.x() * 1000.0;  // decoded as x -0.001, then negated
    f[2] = -up.y() * 1000.0; // decoded as x 0.001, then negated
    f[3] = -up.z() * 1000.0;
    f[4] = omega.x() / degToRad;
    f[5] = -omega.y() / degToRad;
    f[6] = -omega.z() / degToRad;
    f[7] = field.x();
    f[8] = field.y();
    f[9] = field.z();
    return f;
}

std::string TrackerSignal::formatLine (const std::array<double, 10>& f)
{
    char text[256];
    std::snprintf (text, sizeof (text), "%.0f,%.1f,%.1f,%.1f,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,\r\n",
                   f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]);
    return text;
}

std::string TrackerSignal::nextLine()
{
    const double t = (double) index / options.rateHz;
    ++index;

    auto f = fieldsAt (t);
    if (options.noise > 0.0)
    {
        for (int i = 1; i <= 3; ++i) f[(size_t) i] += 2.0 * options.noise * gaussian();
        for (int i = 4; i <= 6; ++i) f[(size_t) i] += 0.3 * options.noise * gaussian();
        for (int i = 7; i <= 9; ++i) f[(size_t) i] += 0.3 * options.noise * gaussian();
    }

    if (options.spikeProbability > 0.0 && uniform() < options.spikeProbability)
    {
        const auto field = (size_t) std::uniform_int_distribution<int> (1, 9) (rng);
        f[field] += (uniform() < 0.5 ? -1.0 : 1.0) * (3000.0 + 6000.0 * uniform());
    }

    std::string line = formatLine (f);

    if (options.overlongProbability > 0.0 && uniform() < options.overlongProbability)
    {
        line.erase (line.size() - 2);
        for (int i = 0; i < 20; ++i)
            line += std::to_string (std::uniform_int_distribution<int> (-999, 999) (rng)) + ",";
        line += "\r\n";
    }

    if (options.garbledProbability > 0.0 && uniform() < options.garbledProbability)
    {
        const int changes = std::uniform_int_distribution<int> (1, 4) (rng);
        for (int i = 0; i < changes; ++i)
        {
            const auto at = (size_t) std::uniform_int_distribution<int> (0, (int) line.size() - 3) (rng);
            line[at] = (char) std::uniform_int_distribution<int> (1, 255) (rng);
        }
    }

    split = options.splitProbability > 0.0 && uniform() < options.splitProbability;
    return line;
}

//==============================================================================
TrackerSimulator::TrackerSimulator (TrackerSimulatorOptions options) : signal (std::move (options)) {}

TrackerSimulator::~TrackerSimulator()
{
    stop();
}

bool TrackerSimulator::start (const juce::File& linkFolder, const juce::String& linkName)
{
    if (isRunning())
        return true;

    char name[256] = {};
    if (openpty (&masterFd, &slaveFd, name, nullptr, nullptr) != 0)
    {
        masterFd = slaveFd = -1;
        return false;
    }

    // Raw from the start, so nothing is echoed or translated before the program configures it.
    termios raw {};
    tcgetattr (slaveFd, &raw);
    cfmakeraw (&raw);
    tcsetattr (slaveFd, TCSANOW, &raw);

    // A real device drops what nobody reads; the stream must never stall on a full buffer.
    fcntl (masterFd, F_SETFL, fcntl (masterFd, F_GETFL) | O_NONBLOCK);

    devicePath = name;
    linkPath.clear();

    if (linkFolder != juce::File())
    {
        linkFolder.createDirectory();
        const auto link = linkFolder.getChildFile (linkName);
        ::unlink (link.getFullPathName().toRawUTF8());
        if (::symlink (name, link.getFullPathName().toRawUTF8()) == 0)
            linkPath = link.getFullPathName();
    }

    running.store (true, std::memory_order_release);
    thread = std::thread ([this] { streamLoop(); });
    return true;
}

void TrackerSimulator::stop()
{
    running.store (false, std::memory_order_release);
    if (thread.joinable())
        thread.join();

    if (masterFd >= 0) ::close (masterFd);
    if (slaveFd >= 0) ::close (slaveFd);
    masterFd = slaveFd = -1;

    if (linkPath.isNotEmpty())
        ::unlink (linkPath.toRawUTF8());
    linkPath.clear();
}

void TrackerSimulator::setMotion (Motion motion)
{
    const std::lock_guard<std::mutex> lock (signalLock);
    signal.setMotion (std::move (motion));
}

void TrackerSimulator::writeAll (const char* data, size_t size)
{
    while (size > 0)
    {
        const auto n = ::write (masterFd, data, size);
        if (n <= 0)
            return; // buffer full or gone: dropped, as a device would
        data += n;
        size -= (size_t) n;
    }
}

void TrackerSimulator::streamLoop()
{
    using clock = std::chrono::steady_clock;
    const auto begin = clock::now();
    double rate = 100.0;
    {
        const std::lock_guard<std::mutex> lock (signalLock);
        rate = signal.getOptions().rateHz;
    }
    const auto period = std::chrono::duration<double> (1.0 / rate);

    for (long long k = 0; running.load (std::memory_order_acquire); ++k)
    {
        std::this_thread::sleep_until (begin + std::chrono::duration_cast<clock::duration> (period * (double) k));

        std::string line;
        bool split = false;
        {
            const std::lock_guard<std::mutex> lock (signalLock);
            line = signal.nextLine();
            split = signal.lastLineIsSplit();
        }

        if (split && line.size() > 4)
        {
            const size_t cut = line.size() / 2;
            writeAll (line.data(), cut);
            std::this_thread::sleep_for (std::chrono::milliseconds (3));
            writeAll (line.data() + cut, line.size() - cut);
        }
        else
        {
            writeAll (line.data(), line.size());
        }

        linesSent.fetch_add (1, std::memory_order_acq_rel);
    }
}
} // namespace ormalix::sim
