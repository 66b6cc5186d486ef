#pragma once

#include <juce_core/juce_core.h>

// "14 min 59 s" or "30 s": a remaining time in seconds, rounded to the nearest whole second
// (halves away from zero).
juce::String timeText (double remainingSeconds);
