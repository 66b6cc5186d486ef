#pragma once

#include "QualityCycle.h"

#include <juce_graphics/juce_graphics.h>

namespace ormalix::audio
{
// Statistics of one audio quality check over its five cycles.
struct QualityCheckState
{
    static constexpr int cyclesPerCheck = 5;

    float meanSnrDb = 0.0f;
    int cycleCount = cyclesPerCheck;     // cycles done; 5 means no check runs
    float peakLevelLeft = 0.0f, peakLevelRight = 0.0f;
    float irPeakFirst = 0.0f, irPeakSecond = 0.0f;

    // Zeroes the statistics; the cycles that follow count from 0.
    void resetStatistics();

    bool isRunning() const { return cycleCount < cyclesPerCheck; }

    // Folds in one analysed cycle: level maxima, the latest impulse-response peaks, and the
    // running mean of d.
    void addCycle (const CycleResult& cycle);
};

struct Verdict
{
    int rule = 0;               // 1 to 5, in the order the rules are tried
    juce::String message;
    juce::Colour colour;
};

// The first rule that holds: both levels too low, one too high, one impulse response less than
// half the other, too little direct sound against noise, or passed.
Verdict chooseVerdict (const QualityCheckState& state);

namespace QualityTexts
{
extern const juce::String instructionAfterCheck;
extern const juce::String levelTooLow;
extern const juce::String levelTooHigh;
extern const juce::String unbalanced;
extern const juce::String tooReverberant;
extern const juce::String passed;
} // namespace QualityTexts
} // namespace ormalix::audio
