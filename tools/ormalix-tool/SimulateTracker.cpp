#include "ToolCommand.h"

#include "tools/sim/TrackerSimulator.h"

#include <juce_core/juce_core.h>

#include <csignal>
#include <cmath>
#include <iostream>

namespace
{
const char* const usage =
    "usage: ormalix-tool simulate-tracker [options]\n\n"
    "Streams the head tracker's lines at 100 Hz on a pseudo-terminal and prints its device path.\n"
    "Runs until interrupted (Ctrl-C) or for --seconds.\n\n"
    "  --link-folder DIR  also place a symbolic link to the device in DIR\n"
    "  --link-name NAME   name of that link (default tty.HeadTrackerSim)\n"
    "  --seconds S        stop after S seconds (default: run until interrupted)\n"
    "  --motion M         all (turn through every direction, default), still, or turn\n"
    "  --turn-rate D      degrees per second about the vertical for --motion turn (default 30)\n"
    "  --noise X          sensor noise as a multiple of a typical tracker's (default 0)\n"
    "  --spikes P         chance per line of one field far off (0 to 1)\n"
    "  --garbled P        chance per line of damaged bytes\n"
    "  --overlong P       chance per line of a line with too many fields\n"
    "  --split P          chance per line of going out in two writes\n"
    "  --seed N           random seed (default 1)\n"
    "  --to-file FILE     write --seconds of the stream to FILE at once, without a terminal\n";

volatile std::sig_atomic_t interrupted = 0;
extern "C" void onSignal (int) { interrupted = 1; }

bool parseDouble (const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod (text.c_str(), &end);
    return ! text.empty() && end != nullptr && *end == 0 && std::isfinite (value);
}

int simulateTracker (const std::vector<std::string>& args)
{
    const std::string cmd = "simulate-tracker";
    if (ormalix::tool::wantsHelp (args))
    {
        std::cout << usage;
        return 0;
    }

    ormalix::sim::TrackerSimulatorOptions options;
    options.motion = ormalix::sim::motions::allDirections();
    std::string linkFolder, linkName = "tty.HeadTrackerSim", motion = "all", toFile;
    double seconds = 0.0, turnRate = 30.0;

    for (size_t i = 0; i < args.size(); ++i)
    {
        const auto& a = args[i];
        if (i + 1 >= args.size())
            return ormalix::tool::fail (cmd, a.rfind ("--", 0) == 0 ? a + " needs a value" : "unexpected argument '" + a + "'");
        const std::string& value = args[++i];

        auto number = [&] (double& target, double low, double high)
        {
            return parseDouble (value, target) && target >= low && target <= high;
        };
        bool ok = true;
        double seed = 1.0;
        if (a == "--link-folder") linkFolder = value;
        else if (a == "--link-name") linkName = value;
        else if (a == "--motion") { motion = value; ok = motion == "all" || motion == "still" || motion == "turn"; }
        else if (a == "--to-file") toFile = value;
        else if (a == "--seconds") ok = number (seconds, 0.0, 1.0e7);
        else if (a == "--turn-rate") ok = number (turnRate, -1000.0, 1000.0);
        else if (a == "--noise") ok = number (options.noise, 0.0, 1000.0);
        else if (a == "--spikes") ok = number (options.spikeProbability, 0.0, 1.0);
        else if (a == "--garbled") ok = number (options.garbledProbability, 0.0, 1.0);
        else if (a == "--overlong") ok = number (options.overlongProbability, 0.0, 1.0);
        else if (a == "--split") ok = number (options.splitProbability, 0.0, 1.0);
        else if (a == "--seed") { ok = number (seed, 0.0, 4294967295.0); options.seed = (unsigned) seed; }
        else return ormalix::tool::fail (cmd, "unknown option '" + a + "' (try --help)");

        if (! ok)
            return ormalix::tool::fail (cmd, "bad value '" + value + "' for " + a);
    }

    if (motion == "still")
        options.motion = ormalix::sim::motions::still();
    else if (motion == "turn")
        options.motion = ormalix::sim::motions::turn (Eigen::Vector3d::UnitZ(), turnRate);

    if (! toFile.empty())
    {
        if (seconds <= 0.0)
            return ormalix::tool::fail (cmd, "--to-file needs --seconds");
        juce::FileOutputStream out (juce::File::getCurrentWorkingDirectory().getChildFile (juce::String (toFile)));
        if (! out.openedOk() || ! out.setPosition (0) || ! out.truncate().wasOk())
            return ormalix::tool::fail (cmd, "cannot write '" + toFile + "'");
        ormalix::sim::TrackerSignal signal (options);
        const auto lines = (long long) std::llround (seconds * options.rateHz);
        for (long long k = 0; k < lines; ++k)
        {
            const auto line = signal.nextLine();
            out.write (line.data(), line.size());
        }
        out.flush();
        if (out.getStatus().failed())
            return ormalix::tool::fail (cmd, "cannot write '" + toFile + "'");
        return 0;
    }

    ormalix::sim::TrackerSimulator simulator (options);
    const juce::File folder = linkFolder.empty() ? juce::File()
                                                 : juce::File::getCurrentWorkingDirectory().getChildFile (juce::String (linkFolder));
    if (! simulator.start (folder, linkName))
        return ormalix::tool::fail (cmd, "cannot open a pseudo-terminal");
    if (folder != juce::File() && simulator.getLinkPath().isEmpty())
    {
        simulator.stop();
        return ormalix::tool::fail (cmd, "cannot place a link in '" + linkFolder + "'");
    }

    std::cout << simulator.getDevicePath() << std::endl;
    if (simulator.getLinkPath().isNotEmpty())
        std::cout << simulator.getLinkPath() << std::endl;

    std::signal (SIGINT, onSignal);
    std::signal (SIGTERM, onSignal);
    const auto start = juce::Time::getMillisecondCounterHiRes();
    while (interrupted == 0 && (seconds <= 0.0 || juce::Time::getMillisecondCounterHiRes() - start < seconds * 1000.0))
        juce::Thread::sleep (20);

    simulator.stop();
    return 0;
}

const ormalix::tool::ToolCommand::Registration registration {
    { "simulate-tracker", "stream simulated head-tracker lines on a pseudo-terminal", simulateTracker }
};
} // namespace
