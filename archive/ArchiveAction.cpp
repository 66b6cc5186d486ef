#include "ArchiveAction.h"

#include "ArchiveGlobals.h"
#include "wizard/FileNaming.h"

juce::int64 recordingSizeMB (const juce::File& recording)
{
    if (recording == juce::File())
        return 0;

    return recording.getSize() / 1024000;
}

bool runArchiveAction (juce::TextEditor& report, StoreZipThread& thread, const juce::File& folder)
{
    // A build in progress keeps its files and its report.
    if (thread.isBuilding())
        return false;

    wavRecordingToZip = findFile (folder, "OrmalixMeasurement*.wav");
    imuRecordingToZip = findFile (folder, "OrmalixMeasurement*.csv");
    wavCalibrationToZip = findFile (folder, "OrmalixCalibration*.wav");

    report.setVisible (true);
    const auto sizeMB = recordingSizeMB (wavRecordingToZip);

    if (wavRecordingToZip == juce::File() || imuRecordingToZip == juce::File())
    {
        report.setColour (juce::TextEditor::textColourId, juce::Colours::orange);
        report.setText ("The measurement files are missing. Go to step 4 and carry out the measurement.", false);
        return false;
    }

    if (wavCalibrationToZip == juce::File())
    {
        report.setColour (juce::TextEditor::textColourId, juce::Colours::orange);
        report.setText ("The calibration file is missing. Go to step 5 and carry out the calibration.", false);
        return false;
    }

    report.setColour (juce::TextEditor::textColourId, juce::Colours::white);
    zipFile = nextFreeFile (folder, "OrmalixMeasurement", ".zip");

    const auto list = "The following files \n \n" + wavRecordingToZip.getFullPathName() + "\n"
                      + imuRecordingToZip.getFullPathName() + "\n"
                      + wavCalibrationToZip.getFullPathName()
                      + "\n\n have been zipped into \n\n " + zipFile.getFullPathName();

    if (sizeMB > 149)
    {
        report.setText (list, false);
    }
    else
    {
        report.setColour (juce::TextEditor::textColourId, juce::Colours::orange);
        report.setText (list + "\n \nNevertheless, the latest measurement wav-file \n\n" + wavRecordingToZip.getFullPathName()
                            + "\n \nappears to be too small to be correct. It's size is " + juce::String (sizeMB)
                            + " MB, whereas it should be around 150 MB. Select the correct files and replace the first two files manually in the zip-file. \n\nOr redo the measurement.",
                        false);
        report.moveCaretToEnd();
        report.setColour (juce::CaretComponent::caretColourId, juce::Colours::white);
        report.insertTextAtCaret ("\n \n testje ");
    }

    // A tick between here and the build's first step must not take an old 1 for this build's end.
    progressZip.store (0.0, std::memory_order_release);

    if (! thread.startBuild ({ wavRecordingToZip, imuRecordingToZip, wavCalibrationToZip, zipFile }))
    {
        report.setColour (juce::TextEditor::textColourId, juce::Colours::orange);
        report.setText ("The zip-file could not be made: the zip thread could not be started. Press 'Zip files' again.", false);
        return false;
    }

    return true;
}

bool runArchiveAction (juce::TextEditor& report, StoreZipThread& thread)
{
    return runArchiveAction (report, thread, documentsFolder());
}

bool archiveFinished()
{
    if (progressZip.load (std::memory_order_acquire) > 0.99)
    {
        progressZip.store (0.0, std::memory_order_release);
        return true;
    }

    return false;
}

bool showArchiveFailure (juce::TextEditor& report, StoreZipThread& thread)
{
    const auto failure = thread.takeFailure();

    if (failure.isEmpty())
        return false;

    report.setColour (juce::TextEditor::textColourId, juce::Colours::orange);
    report.setText (failure, false);
    return true;
}
