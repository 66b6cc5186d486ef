// Hostile input from outside the program: a settings file of random bytes, an OBJ whose faces
// point anywhere, and a serial stream of garbage through a real pseudo-terminal.
#include <gtest/gtest.h>

#include "headtracker/Bridge.h"
#include "headtracker/IMU.h"
#include "headtracker/SerialProbe.h"
#include "headtracker/TrackerTestSupport.h"
#include "support/MessagePump.h"
#include "tools/sim/TrackerSimulator.h"
#include "view/WavefrontObjFile.h"
#include "wizard/Settings.h"

#include <cmath>
#include <random>

using namespace ormalix;
using namespace ormalix::test;

namespace
{
bool unitAndFinite()
{
    if (! (std::isfinite (q0) && std::isfinite (q1) && std::isfinite (q2) && std::isfinite (q3)))
        return false;
    return std::abs (std::sqrt (q0 * q0 + q1 * q1 + q2 * q2 + q3 * q3) - 1.0f) < 1.0e-2f;
}

std::string randomBytes (std::mt19937& rng, size_t size)
{
    std::string s (size, '\0');
    for (auto& c : s)
        c = (char) std::uniform_int_distribution<int> (0, 255) (rng);
    return s;
}

std::string stillLines (int count, long long firstTimeUs, sim::TrackerSimulatorOptions options = {})
{
    sim::TrackerSignal signal (options);
    std::string text;
    for (int i = 0; i < count; ++i)
    {
        auto f = signal.fieldsAt (i / 100.0);
        f[0] = (double) (firstTimeUs + 10000LL * i);
        text += sim::TrackerSignal::formatLine (f);
    }
    return text;
}
} // namespace

TEST (InputFaults, SettingsFilesOfRandomBytesLoadAndTheFilterStaysWhole)
{
    std::mt19937 rng (20240611);
    const size_t sizes[] = { 0, 1, 2, 15, 64, 200, 4096, 1 << 20 };
    const auto folder = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
    // One read per line, as the bridge's 10 ms reads of a 100 Hz stream see it.
    juce::StringArray lines;
    lines.addTokens (juce::String (stillLines (400, 1000000)), "\n", "");

    for (int round = 0; round < 24; ++round)
    {
        const auto size = sizes[(size_t) round % std::size (sizes)];
        SCOPED_TRACE ("round " + std::to_string (round) + ", " + std::to_string (size) + " bytes");
        auto bytes = randomBytes (rng, size);
        // Some rounds hold numbers among the noise, so that odd values do get in.
        if (round % 3 == 1)
            bytes = "1e38,-0,0,nan,inf,1e-45," + bytes;
        folder.getChildFile (settingsFileToRead).replaceWithData (bytes.data(), bytes.size());

        resetTrackerState();
        loadSettings (folder);

        // What was read is written back in the program's own form and reads back the same.
        const auto written = folder.getChildFile (settingsFileToWrite).loadFileAsString();
        EXPECT_EQ (written.toStdString(), formatSettingsText (currentCalibration()));

        IMU imu;
        for (const auto& line : lines)
        {
            imu.getQuaternion (line + "\n");
            ASSERT_TRUE (unitAndFinite()) << q0 << " " << q1 << " " << q2 << " " << q3;
        }
        EXPECT_GT (imu.sampleCount, 390);
    }
}

TEST (InputFaults, ObjWithHostileIndicesBuildsOnlyIndicesThatAddressPositions)
{
    const char* cases[] = {
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\nf 0 1 2\nf -1 -2 -4\nf 1 2 3\n",
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 2147483647 1 2\nf -2147483648 1 2\nf 99999999999999999999 1 2\nf 1 2 3\n",
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/2/1 2/1/2 3/1/1\nf 1/-5/1 2/1/1 3/1/1\nf 1/1/1 2/1/1 3/1/1\n",
        "f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n",
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\nf 1\nf\nf 1 2 3 1 2 3 1 2 3 1 2 3\nf 1/ 2// 3///\n",
        "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no b\nf 1 2 3\nv 5 5 5\nf -1 -2 -3\nusemtl x\nf 4 1 2\n",
        "v nan inf -inf\nv 1e39 -1e39 0\nv 0 0\nf 1 2 3\n",
    };

    for (const auto* text : cases)
    {
        SCOPED_TRACE (text);
        WavefrontObjFile obj;
        EXPECT_TRUE (obj.load (text).wasOk());
        for (auto* shape : obj.shapes)
        {
            const auto& mesh = shape->mesh;
            for (auto index : mesh.indices)
                ASSERT_LT (index, mesh.positions.size());
            EXPECT_LE (mesh.normals.size(), mesh.positions.size());
            EXPECT_LE (mesh.textureCoords.size(), mesh.positions.size());
        }
    }
}

// Garbage, over-long lines, lone zeros and duplicate time stamps between good lines, sent
// through a pseudo-terminal to the connected bridge: the filter never breaks, the log holds only
// finite values, and the good lines keep being decoded.
TEST (InputFaults, GarbageOnTheSerialLineNeverBreaksTheOrientation)
{
    resetTrackerState();
    TempDeviceFolder dev;
    RawPty pty;
    ASSERT_TRUE (makeLink (dev.folder.getChildFile ("tty.garbage"), pty.path));
    ASSERT_TRUE (pty.write (stillLines (5, 1000000)));

    Bridge bridge;
    ASSERT_TRUE (findAndConnectSerial (bridge, dev.path(), 300));
    m_storeImuData.store (true, std::memory_order_release);

    std::mt19937 rng (7);
    long long t = 2000000;
    const std::string faults[] = {
        randomBytes (rng, 3000),
        std::string (5000, '7') + "\r\n",
        std::string (3000, ',') + "\r\n",
        "0\r\n0\r\n0\r\n\r\n\n\r0\r\n",
        std::string ("\0\0\0\0", 4) + "1,2,3,4,5,6,7,8,9,10,\r\n",
        "1e39,1e39,1e39,1e39,1e39,1e39,1e39,1e39,1e39,1e39,\r\nnan,nan,nan,nan,nan,nan,nan,nan,nan,nan,\r\n",
        stillLines (1, t) + stillLines (1, t) + stillLines (1, t) + stillLines (1, t),
        "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,\r\n",
    };

    // The terminal takes only a few kB at a time: the far end writes what fits and lets the
    // bridge read between writes (a blocking write would wait for the loop it is blocking).
    ::fcntl (pty.master, F_SETFL, ::fcntl (pty.master, F_GETFL) | O_NONBLOCK);
    const auto send = [&] (const std::string& text)
    {
        size_t done = 0;
        const auto deadline = juce::Time::getMillisecondCounter() + 5000;
        while (done < text.size() && juce::Time::getMillisecondCounter() < deadline)
        {
            const auto n = ::write (pty.master, text.data() + done, juce::jmin<size_t> (1000, text.size() - done));
            if (n > 0)
                done += (size_t) n;
            // The bytes reach the terminal's buffer a moment after the write: give the bridge a
            // tick before waiting for it to have read them, so that each read holds one part.
            pumpMessagesFor (12);
            pumpMessagesUntil ([&] { return pty.pendingInput() == 0; }, 2000);
        }
        return done == text.size();
    };

    int good = 0;
    for (int round = 0; round < 24; ++round)
    {
        const auto& fault = faults[(size_t) round % std::size (faults)];
        ASSERT_TRUE (send (fault));
        t += 100000;
        for (int i = 0; i < 10; ++i, ++good, t += 10000)
            ASSERT_TRUE (send (stillLines (1, t)));
        ASSERT_TRUE (unitAndFinite()) << "after fault " << round % std::size (faults);
    }

    EXPECT_TRUE (bridge.connected);
    EXPECT_GT (numImuData, (unsigned) good / 2) << "good lines stopped being decoded";
    for (unsigned i = 0; i < numImuData; ++i)
        ASSERT_TRUE (imuData.col (i).allFinite()) << "log column " << i;

    bridge.disconnect();
}
