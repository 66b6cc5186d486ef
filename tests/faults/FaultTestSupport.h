#pragma once

#include <juce_events/juce_events.h>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <string>

namespace ormalix::test
{
// A small tmpfs mounted over `folder` in a mount namespace of this process alone, so that the
// mount vanishes with the test process whatever happens. Needs the right to mount (root in most
// containers); ok() tells whether it worked, and tests fall back or skip when it did not.
class PrivateTmpfs
{
public:
    PrivateTmpfs (const juce::File& folder, size_t bytes, bool readOnly = false)
        : path (folder.getFullPathName().toStdString())
    {
        folder.createDirectory();
        if (::unshare (CLONE_NEWNS) != 0)
            return;
        if (::mount ("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return;

        const auto options = "size=" + std::to_string (bytes) + ",mode=0755";
        if (::mount ("ormalix-test", path.c_str(), "tmpfs", 0, options.c_str()) != 0)
            return;
        mounted = true;

        if (readOnly)
            mounted = ::mount ("ormalix-test", path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

    ~PrivateTmpfs()
    {
        if (mounted)
            ::umount2 (path.c_str(), MNT_DETACH);
    }

    // Read-only after the fact (files put there before stay readable).
    bool makeReadOnly()
    {
        return mounted && ::mount ("ormalix-test", path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

    bool ok() const { return mounted; }

private:
    std::string path;
    bool mounted = false;
};

// Watches the message thread: a 20 ms timer that remembers the longest gap between its calls.
// A long gap means the screen stood still that long.
class ResponsivenessProbe : private juce::Timer
{
public:
    ResponsivenessProbe() { last = juce::Time::getMillisecondCounterHiRes(); startTimer (20); }
    ~ResponsivenessProbe() override { stopTimer(); }

    void restart() { last = juce::Time::getMillisecondCounterHiRes(); longestGapMs = 0.0; }
    double longestGap() const { return longestGapMs; }

private:
    void timerCallback() override
    {
        const auto now = juce::Time::getMillisecondCounterHiRes();
        longestGapMs = juce::jmax (longestGapMs, now - last);
        last = now;
    }

    double last = 0.0, longestGapMs = 0.0;
};
} // namespace ormalix::test
