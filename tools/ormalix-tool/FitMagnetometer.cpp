#include "ToolCommand.h"

#include "headtracker/CalibrationThread.h"

#include <juce_core/juce_core.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace
{
const char* const usage =
    "usage: ormalix-tool fit-magnetometer FILE\n\n"
    "Fits an ellipsoid to magnetometer samples, one \"x, y, z\" line each (empty lines are\n"
    "skipped), prints the fit's trace and then the 15 calibration values in the settings-file\n"
    "layout: offset x y z, radii x y z, transform row by row.\n";

bool parseNumber (const juce::String& token, double& value)
{
    const auto text = token.trim();
    if (text.isEmpty())
        return false;
    char* end = nullptr;
    value = std::strtod (text.toRawUTF8(), &end);
    return end != nullptr && *end == 0 && std::isfinite (value);
}

std::string formatValue (float v)
{
    char text[64];
    std::snprintf (text, sizeof (text), "%.5f, ", (double) v);
    return text;
}

int fitMagnetometer (const std::vector<std::string>& args)
{
    const std::string cmd = "fit-magnetometer";
    if (ormalix::tool::wantsHelp (args))
    {
        std::cout << usage;
        return 0;
    }
    if (args.size() != 1)
        return ormalix::tool::fail (cmd, "expected one FILE (try --help)");

    const juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile (juce::String (args[0]));
    if (! file.existsAsFile())
        return ormalix::tool::fail (cmd, "cannot read '" + args[0] + "'");

    juce::StringArray lines;
    file.readLines (lines);

    std::vector<double> values;
    for (int i = 0; i < lines.size(); ++i)
    {
        if (lines[i].trim().isEmpty())
            continue;

        juce::StringArray tokens;
        tokens.addTokens (lines[i], ",", "");
        double x, y, z;
        if (tokens.size() != 3 || ! parseNumber (tokens[0], x) || ! parseNumber (tokens[1], y) || ! parseNumber (tokens[2], z))
            return ormalix::tool::fail (cmd, args[0] + ":" + std::to_string (i + 1) + ": expected \"x, y, z\"");
        values.insert (values.end(), { x, y, z });
    }

    const auto n = (Eigen::Index) (values.size() / 3);
    if (n < 9)
        return ormalix::tool::fail (cmd, "need at least 9 samples, found " + std::to_string (n));

    const Eigen::MatrixXd samples = Eigen::Map<const Eigen::MatrixXd> (values.data(), 3, n);
    const auto c = CalibrationThread::calibrateMagnetometer (samples, &std::cout);
    if (! c.isUsable())
        return ormalix::tool::fail (cmd, "the samples give no usable ellipsoid (non-finite values or a zero radius)");

    std::string line;
    for (float v : c.offset) line += formatValue (v);
    for (float v : c.radii) line += formatValue (v);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            line += formatValue (c.transform[3 * col + row]);
    std::cout << line << "\n";
    return 0;
}

const ormalix::tool::ToolCommand::Registration registration {
    { "fit-magnetometer", "fit the magnetometer calibration to \"x, y, z\" samples", fitMagnetometer }
};
} // namespace
