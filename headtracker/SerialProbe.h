#pragma once

#include <juce_core/juce_core.h>

class Bridge;

// True when the text of one read looks like the tracker: its second-to-last line (the last is
// normally cut off) splits at commas into exactly 11 tokens.
bool looksLikeTrackerText (const juce::String& text);

// Searches `folder` for the tracker and leaves `bridge` connected to it, its timer running.
// Returns at once when the bridge is already connected. Blocks for `waitMs` per candidate.
// Returns bridge.connected.
bool findAndConnectSerial (Bridge& bridge, const juce::String& folder = "/dev", int waitMs = 2000);
