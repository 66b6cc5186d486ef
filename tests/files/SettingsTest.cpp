#include "FilesTestSupport.h"
#include "headtracker/TrackerGlobals.h"
#include "wizard/FileNaming.h"
#include "wizard/Settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr const char* defaultText =
    "29.83856, -37.78700, 54.16056, 45.38090, 45.94217, 49.77953, -0.97171, 0.22319, 0.07718, 0.10308, 0.10682, 0.98892, -0.21247, -0.96890, 0.12681, ";

constexpr const char* oneToFifteenText =
    "1.00000, 2.00000, 3.00000, 4.00000, 5.00000, 6.00000, 7.00000, 8.00000, 9.00000, 10.00000, 11.00000, 12.00000, 13.00000, 14.00000, 15.00000, ";

MagnetometerCalibration oneToFifteen()
{
    // Rows (7, 8, 9), (10, 11, 12), (13, 14, 15), held column by column.
    return { { 1, 2, 3 }, { 4, 5, 6 }, { 7, 10, 13, 8, 11, 14, 9, 12, 15 } };
}

juce::String writtenText()
{
    return documentsFolder().getChildFile (settingsFileToWrite).loadFileAsString();
}

TEST (Settings, FirstStartUsesBuiltInValuesAndWritesTheirText)
{
    installCalibration (oneToFifteen());
    loadSettings (documentsFolder());

    EXPECT_EQ (writtenText(), defaultText);
    EXPECT_FLOAT_EQ (magnetometerOffset[1], -37.787f);
    EXPECT_FLOAT_EQ (magnetometerTransform[2], -0.21247084f);   // row 2, column 0
}

TEST (Settings, ParsesCommaSeparatedTokens)
{
    const std::pair<const char*, const char*> layouts[] = {
        { "plain", "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15" },
        { "trailing comma", "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, " },
        { "line breaks", "1,\n2,\n3,\r\n4,\t5,6,7,8,9,10,11,12,13,14,\n15\n" },
        { "exponents and extra tokens", "1e0, 0.2e1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 1.5e1, 99, 100" },
    };

    for (const auto& [name, text] : layouts)
        EXPECT_EQ (parseSettingsText (text), oneToFifteen()) << name;

    const auto hundred = parseSettingsText ("1e2");
    EXPECT_FLOAT_EQ (hundred.offset[0], 100.0f);

    // Empty tokens count, unreadable ones and missing ones are 0, numbers stop at stray text.
    const auto sparse = parseSettingsText ("5,,abc, 7kg, -2.5e-1");
    EXPECT_EQ (sparse.offset, (std::array<float, 3> { 5, 0, 0 }));
    EXPECT_EQ (sparse.radii, (std::array<float, 3> { 7, -0.25f, 0 }));
    EXPECT_EQ (sparse.transform, (std::array<float, 9> {}));

    EXPECT_EQ (parseSettingsText (""), MagnetometerCalibration {});
}

TEST (Settings, LoadsTheReadFileAndWritesItBack)
{
    const auto docs = documentsFolder();
    docs.getChildFile (settingsFileToRead).replaceWithText ("1,\n2,\n3,\n4,\n5,\n6,\n7,\n8,\n9,\n10,\n11,\n12,\n13,\n14,\n15");

    loadSettings (docs);

    EXPECT_EQ (currentCalibration(), oneToFifteen());
    EXPECT_EQ (writtenText(), oneToFifteenText);

    // An empty file sets everything to 0.
    docs.getChildFile (settingsFileToRead).replaceWithText ("");
    loadSettings (docs);
    EXPECT_EQ (currentCalibration(), MagnetometerCalibration {});
}

TEST (Settings, RoundTripsThroughACopiedFile)
{
    const auto docs = documentsFolder();
    installCalibration ({ { 1.234567f, -0.000004f, 99999.5f }, { 0.1f, 0.2f, 0.3f },
                          { -0.9717148f, 0.10308465f, -0.21247084f, 0.2231885f, 0.10682101f, -0.9689046f,
                            0.07718285f, 0.98892003f, 0.12680687f } });
    ASSERT_TRUE (saveSettings (docs));
    const auto first = writtenText();

    ASSERT_TRUE (docs.getChildFile (settingsFileToWrite).copyFileTo (docs.getChildFile (settingsFileToRead)));
    installCalibration ({});
    loadSettings (docs);

    EXPECT_EQ (writtenText(), first);
    const auto loaded = currentCalibration();
    EXPECT_FLOAT_EQ (loaded.offset[0], 1.23457f);
    EXPECT_FLOAT_EQ (loaded.offset[1], -0.0f);
    EXPECT_FLOAT_EQ (loaded.transform[3], 0.22319f);   // row 0, column 1
}

TEST (Settings, AFolderOfTheReadNameGivesBuiltInValues)
{
    const auto docs = documentsFolder();
    docs.getChildFile (settingsFileToRead).createDirectory();
    installCalibration (oneToFifteen());

    loadSettings (docs);

    EXPECT_EQ (writtenText(), defaultText);
}

TEST (Settings, AnUnreadableFileGivesBuiltInValues)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root from reading";

    const auto docs = documentsFolder();
    const auto file = docs.getChildFile (settingsFileToRead);
    file.replaceWithText ("1, 2, 3");
    ASSERT_EQ (::chmod (file.getFullPathName().toRawUTF8(), 0), 0);
    installCalibration (oneToFifteen());

    loadSettings (docs);

    EXPECT_EQ (writtenText(), defaultText);
}

TEST (Settings, WriteFailuresLeaveTheValuesInMemory)
{
    const auto docs = documentsFolder();
    installCalibration (oneToFifteen());

    if (::geteuid() != 0)   // permissions do not stop root
    {
        // A read-only documents folder.
        ASSERT_EQ (::chmod (docs.getFullPathName().toRawUTF8(), 0555), 0);
        EXPECT_FALSE (saveSettings (docs));
        EXPECT_FALSE (docs.getChildFile (settingsFileToWrite).exists());
        ::chmod (docs.getFullPathName().toRawUTF8(), 0755);
    }

    {
        // A folder in the way: the file cannot be opened.
        const auto blocked = docs.getChildFile (settingsFileToWrite);
        blocked.createDirectory();
        EXPECT_FALSE (saveSettings (docs));
        EXPECT_TRUE (blocked.isDirectory());
        blocked.deleteRecursively();
    }

    {
        // The disk is full.
        const ormalix::test::FileSizeLimit full (16);
        EXPECT_FALSE (saveSettings (docs));
    }

    // A folder that is not there at all.
    EXPECT_FALSE (saveSettings (docs.getChildFile ("missing")));

    EXPECT_EQ (currentCalibration(), oneToFifteen());
}
} // namespace
