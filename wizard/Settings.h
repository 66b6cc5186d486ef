#pragma once

#include "headtracker/MagnetometerCalibration.h"

#include <juce_core/juce_core.h>

#include <array>

// The magnetometer calibration in its file form: "OrmalixSettings.csv" is read at start,
// "HeadTrackerSettings.csv" is written; both hold the same 15 values.
inline constexpr const char* settingsFileToRead = "OrmalixSettings.csv";
inline constexpr const char* settingsFileToWrite = "HeadTrackerSettings.csv";

// Reads the 15 values of a settings text: split at every comma, empty tokens count, each
// token read as a double the framework's way; missing or unreadable values are 0.
MagnetometerCalibration parseSettingsText (const juce::String& text);

// The file text: offset, radii, then the transform row by row, each value with five decimals
// and followed by ", ".
std::string formatSettingsText (const MagnetometerCalibration& calibration);


// Loads "OrmalixSettings.csv" from folder into the calibration globals (the built-in values
// when there is no such file, or it cannot be opened), then writes "HeadTrackerSettings.csv"
// through saveSettings.
void loadSettings (const juce::File& folder);

// Writes the calibration globals to "HeadTrackerSettings.csv" in folder, replacing its old
// content. A file that cannot be written is left alone; the values in memory never change.
// Returns whether the whole text was written.
bool saveSettings (const juce::File& folder);
