#include "Settings.h"

#include "CheckedFileOutput.h"
#include "NumberFormat.h"
#include "headtracker/TrackerGlobals.h"

#include <algorithm>

namespace
{
constexpr int numValues = 15;

// Position in the file of row r, column c of the transform; the file holds it row by row.
constexpr int filePosition (int row, int column) { return 6 + 3 * row + column; }
constexpr int memoryIndex (int row, int column) { return 3 * column + row; }
} // namespace

MagnetometerCalibration parseSettingsText (const juce::String& text)
{
    // No quoting: every comma ends a token. A number ends at the first character that cannot
    // continue it, a comma included, so reading from the token's start never crosses into the
    // next token. Values past the last token stay 0.
    std::array<float, numValues> values {};
    auto p = text.getCharPointer();

    for (int i = 0; i < numValues && ! p.isEmpty(); ++i)
    {
        auto token = p;
        values[(size_t) i] = (float) juce::CharacterFunctions::readDoubleValue (token);

        while (! p.isEmpty() && *p != ',')
            ++p;

        if (! p.isEmpty())
            ++p;
    }

    MagnetometerCalibration c;
    std::copy_n (values.begin(), 3, c.offset.begin());
    std::copy_n (values.begin() + 3, 3, c.radii.begin());

    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            c.transform[(size_t) memoryIndex (r, col)] = values[(size_t) filePosition (r, col)];

    return c;
}

std::string formatSettingsText (const MagnetometerCalibration& c)
{
    std::array<float, numValues> values {};
    std::copy (c.offset.begin(), c.offset.end(), values.begin());
    std::copy (c.radii.begin(), c.radii.end(), values.begin() + 3);

    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            values[(size_t) filePosition (r, col)] = c.transform[(size_t) memoryIndex (r, col)];

    char buffer[numValues * NumberFormat::maxValueChars];
    char* end = buffer;

    for (const auto v : values)
        end = NumberFormat::appendValue (end, v);

    return std::string (buffer, end);
}

void loadSettings (const juce::File& folder)
{
    const auto file = folder.getChildFile (settingsFileToRead);

    // A file that exists but cannot be opened is treated as absent: reading it as empty would
    // install an all-zero calibration.
    juce::FileInputStream in (file);

    if (file.existsAsFile() && in.openedOk())
    {
        installCalibration (parseSettingsText (in.readEntireStreamAsString()));
    }
    else
    {
        const std::lock_guard<std::mutex> lock (mtx);
        setBuiltInMagnetometerCalibration();
    }

    saveSettings (folder);
}

bool saveSettings (const juce::File& folder)
{
    const auto text = formatSettingsText (currentCalibration());

    // An old file that cannot be replaced stays as it is; one that could be opened but not
    // written is not removed either, since the next save rewrites it.
    CheckedFileOutput out (folder.getChildFile (settingsFileToWrite), 16384);
    out.write (text.data(), text.size());
    return out.finish (false);
}
