#include "FileNaming.h"

#if JUCE_LINUX
 #include <fcntl.h>
 #include <sys/stat.h>
#endif

juce::File documentsFolder()
{
    return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
}

juce::File nextFreeFile (const juce::File& folder, const juce::String& prefix, const juce::String& suffix)
{
    return folder.getNonexistentChildFile (prefix, suffix, true);
}

juce::int64 fileCreationTimeMs (const juce::File& file)
{
   #if JUCE_LINUX
    struct statx info {};
    if (::statx (AT_FDCWD, file.getFullPathName().toRawUTF8(), 0, STATX_BTIME, &info) == 0
        && (info.stx_mask & STATX_BTIME) != 0)
        return (juce::int64) info.stx_btime.tv_sec * 1000 + (juce::int64) info.stx_btime.tv_nsec / 1000000;
   #endif

    return file.getCreationTime().toMilliseconds();
}

juce::File findFile (const juce::File& folder, const juce::String& pattern)
{
    juce::File newest;
    juce::int64 newestTime = 0;

    for (const auto& f : folder.findChildFiles (juce::File::findFiles, false, pattern))
    {
        const auto t = fileCreationTimeMs (f);

        // Strictly larger only: ties keep the earlier file of the listing.
        if (newest == juce::File() || t > newestTime)
        {
            newest = f;
            newestTime = t;
        }
    }

    return newest;
}

juce::File findFile (const juce::String& pattern)
{
    return findFile (documentsFolder(), pattern);
}
