#pragma once

#include "QualityVerdict.h"

#include <juce_core/juce_core.h>

#include <optional>
#include <vector>

namespace ormalix::audio
{
// The audio quality check run offline on a stereo WAV file: five cycles on its first five
// consecutive analysis blocks of 48000 frames, analysed at the file's own rate.
struct RecordingCheckReport
{
    double sampleRate = 0.0;
    juce::int64 frames = 0;
    std::vector<CycleResult> cycles;
    std::vector<QualityCheckState> stateAfterCycle;
    QualityCheckState state;
    Verdict verdict;
};

// Returns the report, or nothing with `error` set to a one-line reason.
std::optional<RecordingCheckReport> checkRecording (const juce::File& wavFile, juce::String& error);

// The report as text: one line per cycle, the verdict's message (at most 250 characters) last.
juce::String formatReport (const RecordingCheckReport& report);
} // namespace ormalix::audio
