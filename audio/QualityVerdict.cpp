#include "QualityVerdict.h"

#include <algorithm>

namespace ormalix::audio
{
void QualityCheckState::resetStatistics()
{
    meanSnrDb = 0.0f;
    cycleCount = 0;
    peakLevelLeft = peakLevelRight = 0.0f;
    irPeakFirst = irPeakSecond = 0.0f;
}

void QualityCheckState::addCycle (const CycleResult& cycle)
{
    peakLevelLeft = std::max (peakLevelLeft, cycle.levelLeft);
    peakLevelRight = std::max (peakLevelRight, cycle.levelRight);
    irPeakFirst = cycle.irPeakFirst;
    irPeakSecond = cycle.irPeakSecond;

    const int p = cycleCount;
    cycleCount = p + 1;
    meanSnrDb = (cycle.d + (float) p * meanSnrDb) / (float) (p + 1);
}

Verdict chooseVerdict (const QualityCheckState& s)
{
    const auto warn = juce::Colours::orange;

    if (s.peakLevelLeft < 0.005f && s.peakLevelRight < 0.005f)
        return { 1, QualityTexts::levelTooLow, warn };
    if (s.peakLevelLeft > 0.5f || s.peakLevelRight > 0.5f)
        return { 2, QualityTexts::levelTooHigh, warn };
    if (s.irPeakFirst / 2.0f > s.irPeakSecond || s.irPeakSecond / 2.0f > s.irPeakFirst)
        return { 3, QualityTexts::unbalanced, warn };
    if (s.meanSnrDb < 20.0f)
        return { 4, QualityTexts::tooReverberant, warn };
    return { 5, QualityTexts::passed, juce::Colours::lightgreen };
}

namespace QualityTexts
{
const juce::String instructionAfterCheck (
    "Now we will check the audio quality of the recorded signals. First, make sure the sound level of the speakers is as high as possible, while still comfortable to you (for fifteen minutes).\n"
    " \n"
    "Next, direct your head towards the sound source and press the quality check button (and hold your head still for 5s). \n"
    " \n"
    "You may be asked to increase/decrease the volume of the microphone and rerun the quality test, until the volume is okay.\n"
    " \n"
    "If the quality is still insufficient, this may be due to a problem with the in-ear microphones, or the acoustic properties of the room : either the room is too reverberant or there is too much background noise.");

const juce::String levelTooLow (
    "The sound level of the microphones is too low. Make sure the microphones are inserted in the pink microphone input on the USB adapter. If so, increase the volume of the microphones in the audio settings. Rerun the audio check.");

const juce::String levelTooHigh (
    "The sound level of the microphones is too high. Reduce the volume of the microphones in the audio settings, and rerun the audio check.");

const juce::String unbalanced (
    "The sound level of one microphone seems to be significantly lower compared that of the other. Make sure that the microphones are fitted properly in your ears, with the microphones directed outwards. Also make sure that your face is directed towards the sound source, when hitting the audio check button.");

const juce::String tooReverberant (
    "Make sure that the speaker is at the maximum volume that is still comfortable to you. If this is the case, this room is too reverberant and you'll have to find another room");

const juce::String passed ("All audio checks have been successfully passed. You are ready to roll! ");
} // namespace QualityTexts
} // namespace ormalix::audio
