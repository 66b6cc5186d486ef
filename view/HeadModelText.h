#pragma once

#include <juce_core/juce_core.h>

// The text of the head model compiled into the executable, read through a memory stream of
// exactly the resource's length.
juce::String getHeadModelText();
