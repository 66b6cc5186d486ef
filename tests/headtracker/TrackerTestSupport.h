#pragma once

#include "headtracker/TrackerGlobals.h"
#include "support/MessagePump.h"

#include <juce_events/juce_events.h>

#include <fcntl.h>
#include <functional>
#include <pty.h>
#include <sys/ioctl.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace ormalix::test
{
// The globals as at program start, but with a calibration that changes nothing.
inline void resetTrackerState()
{
    sampleFreq = 100.0f;
    Beta = 5.0f;
    q0 = 1.0f;
    q1 = q2 = q3 = 0.0f;
    meanRotVel = 0.0;
    numImuData = 0;
    m_storeImuData.store (false, std::memory_order_release);
    numMagData.store (0, std::memory_order_release);
    m_storeMagData.store (false, std::memory_order_release);
    mag_calib_finished.store (false, std::memory_order_release);
    for (int i = 0; i < 3; ++i)
    {
        magnetometerOffset[i] = 0.0f;
        magnetometerRadii[i] = 1.0f;
    }
    for (int k = 0; k < 9; ++k)
        magnetometerTransform[k] = (k % 4 == 0) ? 1.0f : 0.0f;
}

// A pseudo-terminal whose far end the test writes by hand.
struct RawPty
{
    int master = -1, slave = -1;
    std::string path;

    RawPty()
    {
        char name[256] = {};
        if (openpty (&master, &slave, name, nullptr, nullptr) == 0)
        {
            termios raw {};
            tcgetattr (slave, &raw);
            cfmakeraw (&raw);
            tcsetattr (slave, TCSANOW, &raw);
            path = name;
        }
    }

    ~RawPty()
    {
        if (master >= 0) ::close (master);
        if (slave >= 0) ::close (slave);
    }

    bool write (const std::string& text) const
    {
        return ::write (master, text.data(), text.size()) == (ssize_t) text.size();
    }

    // Bytes from the far end queued for the program: the program's reads have taken the rest.
    int pendingInput() const
    {
        int n = 0;
        ::ioctl (slave, FIONREAD, &n);
        return n;
    }
};

inline bool makeLink (const juce::File& link, const std::string& target)
{
    ::unlink (link.getFullPathName().toRawUTF8());
    return ::symlink (target.c_str(), link.getFullPathName().toRawUTF8()) == 0;
}

// A temporary folder standing in for /dev.
struct TempDeviceFolder
{
    juce::File folder = juce::File::createTempFile ("devices");
    TempDeviceFolder() { folder.createDirectory(); }
    ~TempDeviceFolder() { folder.deleteRecursively(); }
    juce::String path() const { return folder.getFullPathName(); }
};
} // namespace ormalix::test
