#include "ToolCommand.h"

#include "audio/RecordingCheck.h"

#include <iostream>

namespace
{
int checkAudio (const std::vector<std::string>& args)
{
    const std::string name = "check-audio";

    if (ormalix::tool::wantsHelp (args))
    {
        std::cout << "usage: ormalix-tool check-audio FILE.wav\n\n"
                     "Runs the five cycles of the audio quality check on the first five consecutive\n"
                     "analysis blocks (48000 frames each) of a stereo WAV file, at the file's own rate.\n"
                     "Prints each cycle's levels, peak search, impulse-response peaks, cycle value d,\n"
                     "meanSnrDb and SNR meter values, and ends with the verdict.\n";
        return 0;
    }

    if (args.size() != 1)
        return ormalix::tool::fail (name, "expected one argument, the WAV file (try --help)");

    juce::String error;
    const auto report = ormalix::audio::checkRecording (juce::File::getCurrentWorkingDirectory().getChildFile (args[0]), error);
    if (! report.has_value())
        return ormalix::tool::fail (name, error.toStdString());

    std::cout << ormalix::audio::formatReport (*report) << std::endl;
    return 0;
}

const ormalix::tool::ToolCommand::Registration reg { { "check-audio", "run the audio quality check on a stereo WAV recording", checkAudio } };
} // namespace
