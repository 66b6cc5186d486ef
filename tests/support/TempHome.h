#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>

namespace ormalix::test
{
// Points HOME at a new temporary folder with an empty Documents folder for as long as it lives.
class TempHome
{
public:
    TempHome()
    {
        const char* old = std::getenv ("HOME");
        hadHome = old != nullptr;
        if (hadHome)
            previous = old;

        folder = juce::File::createTempFile ("ormalix-home");
        folder.createDirectory();
        ::setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
        documents().createDirectory();
    }

    ~TempHome()
    {
        // Tests may leave folders read-only; make them writable again so they can go.
        if (folder.exists())
        {
            for (auto& f : folder.findChildFiles (juce::File::findFilesAndDirectories, true))
                f.setReadOnly (false, false);
            folder.setReadOnly (false, false);
            folder.deleteRecursively();
        }

        if (hadHome)
            ::setenv ("HOME", previous.c_str(), 1);
        else
            ::unsetenv ("HOME");
    }

    juce::File home() const { return folder; }
    juce::File documents() const { return folder.getChildFile ("Documents"); }

private:
    juce::File folder;
    std::string previous;
    bool hadHome = false;
};
} // namespace ormalix::test
