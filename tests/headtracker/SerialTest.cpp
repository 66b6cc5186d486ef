#include "TrackerTestSupport.h"

#include "headtracker/Bridge.h"
#include "headtracker/Serial.h"
#include "headtracker/SerialProbe.h"
#include "tools/sim/TrackerSimulator.h"

#include <gtest/gtest.h>

#include <set>

using namespace ormalix::test;

namespace
{
constexpr int probeWaitMs = 300;

std::string trackerLines (int tokensPerLine, int lines)
{
    std::string text;
    for (int l = 0; l < lines; ++l)
    {
        for (int t = 0; t < tokensPerLine - 1; ++t)
            text += std::to_string (l * 100 + t) + ",";
        text += "\r\n";
    }
    return text;
}

std::string output (const std::string& path)
{
    return "Try " + path + " \nOpen " + path + " \n";
}
} // namespace

TEST (SerialNames, OnlyTrackerLikeDevicesAreCandidates)
{
    const std::pair<const char*, bool> cases[] = {
        { "tty.usbmodem1421", true }, { "tty.", true }, { "ttyUSB0", true }, { "ttyACM3", true },
        { "tty", false }, { "tty0", false }, { "tty63", false }, { "ttyS0", false }, { "ttyUSB", true },
        { "cu.usbmodem", false }, { "console", false }, { "ptmx", false },
    };
    for (auto& [name, expected] : cases)
        EXPECT_EQ (isSerialDeviceName (name), expected) << name;
    EXPECT_FALSE (isSerialDeviceName (nullptr));
}

TEST (SerialSpeed, OnlyRatesOfTheTableAreSet)
{
    EXPECT_EQ (speedForBaudRate (115200), (speed_t) B115200);
    EXPECT_EQ (speedForBaudRate (230400), (speed_t) B230400);
    EXPECT_EQ (speedForBaudRate (50), (speed_t) B50);
    EXPECT_EQ (speedForBaudRate (75), (speed_t) B0);
    EXPECT_EQ (speedForBaudRate (460800), (speed_t) B0);
}

TEST (SerialScan, TakesAtMost64MatchingEntries)
{
    TempDeviceFolder dev;
    std::set<std::string> matching;
    for (int i = 0; i < 63; ++i)
        matching.insert ("tty.dev" + std::to_string (i));
    matching.insert ("ttyUSB0");
    matching.insert ("ttyACM0");
    for (auto& name : matching)
        ASSERT_TRUE (makeLink (dev.folder.getChildFile (name), "/dev/null"));
    for (auto* other : { "ttyS0", "tty1", "console" })
        ASSERT_TRUE (makeLink (dev.folder.getChildFile (other), "/dev/null"));

    scanSerialDevices (dev.path());

    ASSERT_EQ (noDevices, 64);
    std::set<std::string> taken;
    for (int i = 0; i < noDevices; ++i)
    {
        ASSERT_NE (comDevices[i].name, nullptr);
        EXPECT_EQ (comDevices[i].fd, -1);
        EXPECT_TRUE (matching.count (comDevices[i].name.get()) == 1) << comDevices[i].name.get();
        taken.insert (comDevices[i].name.get());
    }
    EXPECT_EQ (taken.size(), 64u); // one of the 65 is left out

    EXPECT_EQ (std::string (comGetInternalName (3)), dev.path().toStdString() + "/" + comDevices[3].name.get());
    EXPECT_EQ (comGetInternalName (64), nullptr);
    EXPECT_EQ (comGetInternalName (-1), nullptr);

    // A rescan of a folder without candidates clears the table.
    TempDeviceFolder empty;
    scanSerialDevices (empty.path());
    EXPECT_EQ (noDevices, 0);
    EXPECT_EQ (comDevices[0].name, nullptr);
}

TEST (SerialPort, ClosedOrInvalidEntriesReadNothing)
{
    TempDeviceFolder dev;
    RawPty pty;
    ASSERT_TRUE (makeLink (dev.folder.getChildFile ("tty.a"), pty.path));
    scanSerialDevices (dev.path());
    ASSERT_EQ (noDevices, 1);

    char buffer[16];
    pty.write ("abc");
    EXPECT_EQ (readSerialDevice (0, buffer, 16), 0); // not open
    EXPECT_EQ (readSerialDevice (5, buffer, 16), 0);
    closeSerialDevice (5);                           // harmless

    testing::internal::CaptureStdout();
    ASSERT_TRUE (openSerialDevice (0, 115200));
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "Open " + dev.path().toStdString() + "/tty.a \n");

    termios t {};
    ASSERT_EQ (tcgetattr (comDevices[0].fd, &t), 0);
    EXPECT_EQ (cfgetispeed (&t), (speed_t) B115200);
    EXPECT_EQ (t.c_cflag & CSIZE, (tcflag_t) CS8);
    EXPECT_EQ (t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ (t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ (t.c_iflag & (INLCR | ICRNL), 0u);
    EXPECT_EQ (t.c_cc[VMIN], 0);
    EXPECT_EQ (t.c_cc[VTIME], 1);

    EXPECT_EQ (readSerialDevice (0, buffer, 2), 2); // at most the capacity
    EXPECT_EQ (std::string (buffer, 2), "ab");
    closeSerialDevice (0);
    EXPECT_EQ (comDevices[0].fd, -1);
}

TEST (SerialProbeText, SecondToLastLineMustHave11Tokens)
{
    const std::string good = "1,2,3,4,5,6,7,8,9,10,";
    const std::pair<std::string, bool> cases[] = {
        { "", false },
        { good, false },                                  // a single line is taken as cut off
        { good + "\r\n", true },                          // ends exactly at a line end
        { "12,3\n" + good + "\n4,5,6", true },
        { good + "\r" + "7,8", true },
        { "1,2,3,4,5,6,7,8,9,\n", false },                // 10 tokens
        { "1,2,3,4,5,6,7,8,9,10,11,\n", false },          // 12 tokens
        { good + "\n" + good + "\nshort,\n", false },
    };
    for (auto& [text, expected] : cases)
        EXPECT_EQ (looksLikeTrackerText (text), expected) << text;
}

class SerialProbe : public testing::Test
{
protected:
    void SetUp() override { resetTrackerState(); }

    static void expectGivenUp (const Bridge& bridge, int index)
    {
        EXPECT_EQ (comDevices[index].fd, -1);
        EXPECT_FALSE (bridge.connected);
        EXPECT_FALSE (bridge.isTimerRunning());
    }

    TempDeviceFolder dev;
    Bridge bridge;
};

TEST_F (SerialProbe, NoCandidateReturnsAtOnceWithoutPrinting)
{
    makeLink (dev.folder.getChildFile ("ttyS0"), "/dev/null");
    testing::internal::CaptureStdout();
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_FALSE (findAndConnectSerial (bridge, dev.path(), probeWaitMs));
    EXPECT_LT (juce::Time::getMillisecondCounter() - start, (juce::uint32) probeWaitMs);
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE (bridge.connected);
}

TEST_F (SerialProbe, FindsTheSimulatedTrackerAndKeepsItOpen)
{
    ormalix::sim::TrackerSimulator tracker;
    ASSERT_TRUE (tracker.start (dev.folder));

    testing::internal::CaptureStdout();
    EXPECT_TRUE (findAndConnectSerial (bridge, dev.path(), probeWaitMs));
    EXPECT_EQ (testing::internal::GetCapturedStdout(), output (tracker.getLinkPath().toStdString()));

    EXPECT_TRUE (bridge.connected);
    EXPECT_TRUE (bridge.isTimerRunning());
    EXPECT_EQ (bridge.getTimerInterval(), 10);
    EXPECT_GE (comDevices[bridge.deviceIndex].fd, 0);
    EXPECT_NEAR (bridge.openTimeMs, (double) juce::Time::getMillisecondCounter(), probeWaitMs + 200.0);

    // Connected: a second search changes nothing and prints nothing.
    const int fd = comDevices[bridge.deviceIndex].fd;
    testing::internal::CaptureStdout();
    EXPECT_TRUE (findAndConnectSerial (bridge, "/nonexistent", probeWaitMs));
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ (noDevices, 1);
    EXPECT_EQ (comDevices[bridge.deviceIndex].fd, fd);

}

TEST_F (SerialProbe, BridgeClosesThePortWhenItGoes)
{
    ormalix::sim::TrackerSimulator tracker;
    ASSERT_TRUE (tracker.start (dev.folder));
    auto owner = std::make_unique<Bridge>();
    ASSERT_TRUE (findAndConnectSerial (*owner, dev.path(), probeWaitMs));
    const int index = owner->deviceIndex;
    ASSERT_GE (comDevices[index].fd, 0);
    owner.reset();
    EXPECT_EQ (comDevices[index].fd, -1);
}

TEST_F (SerialProbe, WrongTokenCountsAreRejectedAndClosed)
{
    for (int tokens : { 10, 12, 11 })
    {
        SCOPED_TRACE (tokens);
        RawPty pty;
        ASSERT_TRUE (makeLink (dev.folder.getChildFile ("tty.candidate"), pty.path));
        ASSERT_TRUE (pty.write (trackerLines (tokens, 3)));

        const bool found = findAndConnectSerial (bridge, dev.path(), probeWaitMs);
        EXPECT_EQ (found, tokens == 11);
        if (found)
            EXPECT_TRUE (bridge.connected);
        else
            expectGivenUp (bridge, 0);
        bridge.disconnect();
    }
}

TEST_F (SerialProbe, TrackerThirdOfThreeIsFoundAfterTheOthersWereTriedAndClosed)
{
    // The search folder's order is the directory's own; its links point through a second
    // folder, so the tracker can be placed third whatever that order is.
    TempDeviceFolder targets;
    for (auto* name : { "tty.a", "tty.b", "tty.c" })
        ASSERT_TRUE (makeLink (dev.folder.getChildFile (name), targets.folder.getChildFile (name).getFullPathName().toStdString()));
    scanSerialDevices (dev.path());
    ASSERT_EQ (noDevices, 3);
    std::string order[3];
    for (int i = 0; i < 3; ++i)
        order[i] = comDevices[i].name.get();

    RawPty silent, tenTokens;
    tenTokens.write (trackerLines (10, 5));
    TempDeviceFolder unused;
    ormalix::sim::TrackerSimulator tracker;
    ASSERT_TRUE (tracker.start (unused.folder));
    ASSERT_TRUE (makeLink (targets.folder.getChildFile (order[0]), silent.path));
    ASSERT_TRUE (makeLink (targets.folder.getChildFile (order[1]), tenTokens.path));
    ASSERT_TRUE (makeLink (targets.folder.getChildFile (order[2]), tracker.getDevicePath().toStdString()));

    testing::internal::CaptureStdout();
    const auto start = juce::Time::getMillisecondCounter();
    EXPECT_TRUE (findAndConnectSerial (bridge, dev.path(), probeWaitMs));
    EXPECT_GE (juce::Time::getMillisecondCounter() - start, (juce::uint32) (3 * probeWaitMs));

    const auto path = [&] (int i) { return dev.path().toStdString() + "/" + order[i]; };
    EXPECT_EQ (testing::internal::GetCapturedStdout(), output (path (0)) + output (path (1)) + output (path (2)));
    EXPECT_EQ (bridge.deviceIndex, 2);
    EXPECT_EQ (comDevices[0].fd, -1);
    EXPECT_EQ (comDevices[1].fd, -1);
    EXPECT_GE (comDevices[2].fd, 0);
    EXPECT_TRUE (bridge.connected);
}

TEST_F (SerialProbe, UnopenableCandidateIsPrintedOnceAndSkipped)
{
    ASSERT_TRUE (makeLink (dev.folder.getChildFile ("tty.gone"), "/nonexistent/device"));
    testing::internal::CaptureStdout();
    EXPECT_FALSE (findAndConnectSerial (bridge, dev.path(), probeWaitMs));
    EXPECT_EQ (testing::internal::GetCapturedStdout(), "Try " + dev.path().toStdString() + "/tty.gone \n");
    expectGivenUp (bridge, 0);
}

TEST_F (SerialProbe, ReadOfExactly2048BytesEndingAtALineEnd)
{
    // 2048 bytes whose last line is a tracker line ending at byte 2048; what follows would
    // make the second-to-last line a short one if more than 2048 bytes were examined.
    const std::string good = "1,2,3,4,5,6,7,8,9,10,\n";
    std::string text (2048 - good.size() - 1, 'x');
    text += "\n" + good;
    ASSERT_EQ (text.size(), 2048u);
    text += "1,2,3\n4,5\n";

    RawPty pty;
    ASSERT_TRUE (makeLink (dev.folder.getChildFile ("tty.exact"), pty.path));
    ASSERT_TRUE (pty.write (text));

    EXPECT_TRUE (findAndConnectSerial (bridge, dev.path(), probeWaitMs));
    EXPECT_EQ (pty.pendingInput(), 10); // the bytes past 2048 stay unread
}
