#include "SerialProbe.h"

#include "Bridge.h"
#include "IMU.h"
#include "Serial.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

bool looksLikeTrackerText (const juce::String& text)
{
    const auto lines = juce::StringArray::fromLines (text);
    const juce::String line = lines.size() >= 2 ? lines[lines.size() - 2] : juce::String();

    juce::StringArray tokens;
    tokens.addTokens (line, ",", "");
    return tokens.size() == 11;
}

bool findAndConnectSerial (Bridge& bridge, const juce::String& folder, int waitMs)
{
    if (bridge.connected)
        return true;

    scanSerialDevices (folder);

    for (int j = 0; j < noDevices; ++j)
    {
        bridge.deviceIndex = j;
        closeSerialDevice (j);

        const char* path = comGetInternalName (j);
        std::printf ("Try %s \n", path);
        std::fflush (stdout);

        if (openSerialDevice (j, bridge.baudRate))
        {
            bridge.openTimeMs = (double) juce::Time::getMillisecondCounter();
            bridge.connected = true;
            bridge.startTimer (10);
        }

        // The message thread is blocked meanwhile, so nothing else reads the port.
        juce::Time::waitForMillisecondCounter (juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, waitMs));

        char buffer[2048];
        const int n = readSerialDevice (bridge.deviceIndex, buffer, (int) sizeof (buffer));

        if (looksLikeTrackerText (IMU::textFromBytes (buffer, n)))
            return true;

        closeSerialDevice (bridge.deviceIndex);
        bridge.connected = false;
        bridge.stopTimer();
    }

    return false;
}
