#include "ToolCommand.h"

#include "headtracker/Bridge.h"
#include "headtracker/TrackerGlobals.h"

#include <juce_core/juce_core.h>

#include <cmath>
#include <cstdio>
#include <iostream>

namespace
{
const char* const usage =
    "usage: ormalix-tool replay FILE [--settings FILE] [--beta B]\n\n"
    "Feeds a captured tracker byte stream to the decoder and the bridge one line per call, as a\n"
    "10 ms read of a 100 Hz tracker delivers it, and writes CSV to standard output: per call the\n"
    "valid flag, the tracker time stamp (us), q0..q3 and eulerX, eulerY, eulerZ (degrees).\n\n"
    "  --settings FILE  magnetometer calibration in the settings-file layout (15 values);\n"
    "                   default: the built-in calibration\n"
    "  --beta B         fixed filter gain; default: 5.0 for the first 500 calls, then 0.6\n";

bool loadSettings (const juce::File& file)
{
    juce::StringArray tokens;
    tokens.addTokens (file.loadFileAsString(), ",", "");
    if (tokens.size() < 15)
        return false;

    float v[15];
    for (int i = 0; i < 15; ++i)
    {
        auto p = tokens[i].getCharPointer();
        v[i] = (float) juce::CharacterFunctions::readDoubleValue (p);
    }
    for (int i = 0; i < 3; ++i)
    {
        magnetometerOffset[i] = v[i];
        magnetometerRadii[i] = v[3 + i];
    }
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            magnetometerTransform[3 * col + row] = v[6 + 3 * row + col];
    return true;
}

int replay (const std::vector<std::string>& args)
{
    const std::string cmd = "replay";
    if (ormalix::tool::wantsHelp (args))
    {
        std::cout << usage;
        return 0;
    }

    std::string input, settings;
    bool fixedBeta = false;
    float beta = 0.0f;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if ((args[i] == "--settings" || args[i] == "--beta") && i + 1 >= args.size())
            return ormalix::tool::fail (cmd, args[i] + " needs a value");

        if (args[i] == "--settings")
            settings = args[++i];
        else if (args[i] == "--beta")
        {
            const juce::String text (args[++i]);
            beta = text.getFloatValue();
            if (! text.containsOnly ("0123456789.eE+-") || ! std::isfinite (beta) || beta < 0.0f)
                return ormalix::tool::fail (cmd, "--beta needs a number of 0 or more, not '" + args[i] + "'");
            fixedBeta = true;
        }
        else if (args[i].rfind ("--", 0) == 0)
            return ormalix::tool::fail (cmd, "unknown option '" + args[i] + "' (try --help)");
        else if (input.empty())
            input = args[i];
        else
            return ormalix::tool::fail (cmd, "expected one FILE (try --help)");
    }
    if (input.empty())
        return ormalix::tool::fail (cmd, "expected one FILE (try --help)");

    const auto cwd = juce::File::getCurrentWorkingDirectory();
    const juce::File file = cwd.getChildFile (juce::String (input));
    juce::MemoryBlock bytes;
    if (! file.existsAsFile() || ! file.loadFileAsData (bytes))
        return ormalix::tool::fail (cmd, "cannot read '" + input + "'");

    setBuiltInMagnetometerCalibration();
    if (! settings.empty())
    {
        const juce::File settingsFile = cwd.getChildFile (juce::String (settings));
        if (! settingsFile.existsAsFile())
            return ormalix::tool::fail (cmd, "cannot read settings '" + settings + "'");
        if (! loadSettings (settingsFile))
            return ormalix::tool::fail (cmd, "settings '" + settings + "' do not hold 15 values");
    }

    Bridge bridge;
    std::printf ("valid,timestamp_us,q0,q1,q2,q3,eulerX,eulerY,eulerZ\n");

    const auto* data = static_cast<const char*> (bytes.getData());
    const size_t size = bytes.getSize();
    size_t start = 0;
    for (long call = 0; start < size; ++call)
    {
        // One line with its line end ("\n", "\r\n" or "\r") per call.
        size_t end = start;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        if (end < size)
            end += (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ? 2 : 1;

        Beta = fixedBeta ? beta : (call < 500 ? 5.0f : 0.6f);
        const auto sample = bridge.imu.getQuaternion (IMU::textFromBytes (data + start, (int) (end - start)));
        if (sample.valid)
            bridge.updateOrientation();

        std::printf ("%d,%.0f,%.6f,%.6f,%.6f,%.6f,%.4f,%.4f,%.4f\n", sample.valid ? 1 : 0,
                     (double) bridge.imu.filtered[0], (double) q0, (double) q1, (double) q2, (double) q3,
                     (double) bridge.eulerX, (double) bridge.eulerY, (double) bridge.eulerZ);
        start = end;
    }
    return 0;
}

const ormalix::tool::ToolCommand::Registration registration {
    { "replay", "run a captured tracker stream through the decoder and the bridge, as CSV", replay }
};
} // namespace
