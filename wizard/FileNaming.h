#pragma once

#include <juce_core/juce_core.h>

// Where the program's files live and how they are named and told apart.

// The user's documents folder, as the framework reports it; every file of the program lives
// directly in it.
juce::File documentsFolder();

// The first free name of "prefix + suffix", "prefix(2) + suffix", "prefix(3) + suffix", ...
// in folder. Existing files are never reused.
juce::File nextFreeFile (const juce::File& folder, const juce::String& prefix, const juce::String& suffix);

// When the file was created, in milliseconds since 1970; 0 when its status cannot be read.
// On Linux the framework reports the status-change time in whole seconds instead, so the
// file system's birth time is used wherever it records one.
juce::int64 fileCreationTimeMs (const juce::File& file);

// The most recently created regular file directly in folder whose name matches the wildcard
// pattern; ties go to the first in listing order. An empty File when none matches.
juce::File findFile (const juce::File& folder, const juce::String& pattern);

// The same in the documents folder.
juce::File findFile (const juce::String& pattern);
