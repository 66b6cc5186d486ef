#include "RecordingCheck.h"

#include "AudioGlobals.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>

namespace ormalix::audio
{
std::optional<RecordingCheckReport> checkRecording (const juce::File& wavFile, juce::String& error)
{
    if (! wavFile.existsAsFile())
    {
        error = "no such file: " + wavFile.getFullPathName();
        return std::nullopt;
    }

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (wavFile.createInputStream().release(), true));
    if (reader == nullptr)
    {
        error = "not a readable WAV file: " + wavFile.getFileName();
        return std::nullopt;
    }

    RecordingCheckReport report;
    report.sampleRate = reader->sampleRate;
    report.frames = reader->lengthInSamples;

    if (reader->numChannels != 2)
    {
        error = "expected a stereo file, found " + juce::String (reader->numChannels) + " channel(s)";
        return std::nullopt;
    }
    if (! QualityCycle::rateFits (report.sampleRate))
    {
        error = "cannot analyse at a sample rate of " + juce::String (report.sampleRate) + " Hz";
        return std::nullopt;
    }

    const juce::int64 needed = (juce::int64) QualityCheckState::cyclesPerCheck * analysisBlockLength;
    if (report.frames < needed)
    {
        error = "too short: " + juce::String (report.frames) + " frames, the check needs " + juce::String (needed);
        return std::nullopt;
    }

    QualityCycle cycle;
    QualityCheckState state;
    state.resetStatistics();

    juce::AudioBuffer<float> buffer (2, analysisBlockLength);
    Eigen::MatrixXd block (2, analysisBlockLength);

    for (int b = 0; b < QualityCheckState::cyclesPerCheck; ++b)
    {
        if (! reader->read (&buffer, 0, analysisBlockLength, (juce::int64) b * analysisBlockLength, true, true))
        {
            error = "could not read block " + juce::String (b + 1);
            return std::nullopt;
        }

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < analysisBlockLength; ++i)
                block (c, i) = (double) buffer.getSample (c, i);

        const auto result = cycle.analyse (block, report.sampleRate);
        state.addCycle (result);
        report.cycles.push_back (result);
        report.stateAfterCycle.push_back (state);
    }

    report.state = state;
    report.verdict = chooseVerdict (state);
    return report;
}

juce::String formatReport (const RecordingCheckReport& report)
{
    juce::String text;
    text << "sample rate " << juce::String (report.sampleRate, 0) << " Hz, " << juce::String (report.frames)
         << " frames\n";

    auto f = [] (double v, int decimals) { return juce::String (v, decimals); };

    for (size_t i = 0; i < report.cycles.size(); ++i)
    {
        const auto& c = report.cycles[i];
        const auto& s = report.stateAfterCycle[i];
        text << "cycle " << (int) i + 1 << ": levels L " << f (c.levelLeft, 5) << " R " << f (c.levelRight, 5)
             << "; peak search H " << c.H << " (column " << c.S + c.H << ", W " << c.W << ", S " << c.S << ", "
             << (c.firstChannel == 0 ? "left" : "right") << " first)"
             << "; ir peaks first " << f (c.irPeakFirst, 3) << " at " << c.irPeakIndexFirst
             << ", second " << f (c.irPeakSecond, 3) << " at " << c.irPeakIndexSecond
             << "; d " << f (c.d, 2) << " dB; meanSnrDb " << f (s.meanSnrDb, 2)
             << "; snr meters L " << f (c.snrLeft, 2) << " R " << f (c.snrRight, 2) << "\n";
    }

    text << report.verdict.message.substring (0, 250);
    return text;
}
} // namespace ormalix::audio
