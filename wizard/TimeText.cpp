#include "TimeText.h"

#include <cmath>

juce::String timeText (double remainingSeconds)
{
    const auto t = (long long) std::llround (remainingSeconds);
    const auto minutes = t / 60;
    const auto seconds = t - 60 * minutes;

    if (minutes > 0)
        return juce::String (minutes) + " min " + juce::String (seconds) + " s";
    return juce::String (seconds) + " s";
}
