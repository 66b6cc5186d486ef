#pragma once

#include "StoreZipThread.h"

#include <juce_gui_basics/juce_gui_basics.h>

// The "Zip files" button's work, on the message thread.

// Size of a recording in units of 1,024,000 bytes, truncated; 0 for an empty or unreadable path.
juce::int64 recordingSizeMB (const juce::File& recording);

// Chooses the newest measurement recording, log and system response in folder, writes the
// report into report (shown), picks the archive's name and starts thread on them. Returns
// true when the build was started; the caller then shows the zip progress bar and clears the
// head view's dots. Returns false, changing nothing, while a build is still running, and
// false after reporting missing files.
bool runArchiveAction (juce::TextEditor& report, StoreZipThread& thread, const juce::File& folder);

// The same in the documents folder.
bool runArchiveAction (juce::TextEditor& report, StoreZipThread& thread);

// For the wizard's timer: true once progressZip has passed 0.99, which it then sets back to 0;
// the caller hides the zip progress bar.
bool archiveFinished();

// For the wizard's timer: when the last build failed, replaces the report with the failure in
// orange. Returns whether it did.
bool showArchiveFailure (juce::TextEditor& report, StoreZipThread& thread);
