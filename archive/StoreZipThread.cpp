#include "StoreZipThread.h"

#include "ArchiveGlobals.h"
#include "wizard/CheckedFileOutput.h"

#include <vector>

namespace
{
// One entry's source: a file opened before the archive is created, whose length is fixed when
// it is opened. It marks the build's progress when the builder starts reading it, and turns a
// read error or a file that shrank into a failed entry instead of an endless or short one.
class EntrySource : public juce::InputStream
{
public:
    EntrySource (std::unique_ptr<juce::FileInputStream> s, std::atomic<double>& p, double progressAtStart, bool& failedFlag)
        : source (std::move (s)), length (source->getTotalLength()), progress (p), startValue (progressAtStart),
          failed (failedFlag)
    {
    }

    juce::int64 getTotalLength() override { return length; }
    bool isExhausted() override { markStarted(); return source->getPosition() >= length; }
    juce::int64 getPosition() override { return source->getPosition(); }
    bool setPosition (juce::int64 pos) override { return source->setPosition (pos); }

    int read (void* dest, int maxBytes) override
    {
        markStarted();
        const auto wanted = (int) std::min<juce::int64> (maxBytes, length - source->getPosition());

        if (wanted <= 0)
            return 0;

        const auto got = source->read (dest, wanted);

        if (got > 0 && source->getStatus().wasOk())
            return got;

        failed = true;
        return -1;
    }

private:
    void markStarted()
    {
        if (! started)
        {
            started = true;
            progress.store (startValue, std::memory_order_release);
        }
    }

    std::unique_ptr<juce::FileInputStream> source;
    juce::int64 length;
    std::atomic<double>& progress;
    double startValue;
    bool& failed;
    bool started = false;
};

// The framework writes the seconds into the DOS time field without halving them, which
// spills into the minutes from 32 s on; hand it the halved seconds so the stored time is right.
juce::Time entryTime (const juce::File& f)
{
    const auto t = f.getLastModificationTime();
    return { t.getYear(), t.getMonth(), t.getDayOfMonth(), t.getHours(), t.getMinutes(), t.getSeconds() / 2 };
}

juce::String unreadableText (const juce::File& f)
{
    return "The zip-file could not be made, because this file could not be read: \n\n"
           + f.getFullPathName()
           + "\n\nCheck that it is still there and press 'Zip files' again.";
}

juce::String unwritableText (const juce::File& f)
{
    return "The zip-file \n\n" + f.getFullPathName()
           + "\n\ncould not be written. Make sure the documents folder can be written to and the disk is not full, and press 'Zip files' again.";
}
} // namespace

juce::String buildArchive (const ArchiveJob& job, std::atomic<double>& progress)
{
    const juce::File sources[] = { job.calibration, job.recording, job.log };
    constexpr int n = (int) std::size (sources);

    // Every source is opened before the archive exists, so a missing one leaves no archive.
    std::vector<std::unique_ptr<juce::FileInputStream>> streams;

    for (const auto& f : sources)
    {
        if (f == juce::File() || ! f.existsAsFile())
            return unreadableText (f);

        auto s = std::make_unique<juce::FileInputStream> (f);

        if (! s->openedOk())
            return unreadableText (f);

        streams.push_back (std::move (s));
    }

    // Declared before the entry list, which holds references to it.
    bool readFailed[n] = {};
    juce::ZipFile::Builder entries;

    CheckedFileOutput out (job.target, 16384);

    if (! out.openedOk())
        return unwritableText (job.target);

    for (int i = 0; i < n; ++i)
    {
        entries.addEntry (new EntrySource (std::move (streams[(size_t) i]), progress, (i + 0.5) / n, readFailed[i]),
                          9, sources[i].getFileName(), entryTime (sources[i]));
    }

    // The builder reports read errors; write errors show when the file is closed.
    const bool entriesRead = entries.writeToStream (out, nullptr);
    const bool written = out.finish (true) && entriesRead;

    if (! written)
    {
        job.target.deleteFile();

        for (int i = 0; i < n; ++i)
            if (readFailed[i])
                return unreadableText (sources[i]);

        return unwritableText (job.target);
    }

    progress.store (1.0, std::memory_order_release);
    return {};
}

StoreZipThread::StoreZipThread() : juce::Thread ("Zip Thread") {}

StoreZipThread::~StoreZipThread()
{
    // The build reads its job and its entry list until the archive is complete; let it finish.
    waitForThreadToExit (-1);
}

bool StoreZipThread::startBuild (const ArchiveJob& newJob)
{
    if (isBuilding())
        return false;

    // The previous run has ended; only the thread's own exit may still be under way.
    waitForThreadToExit (-1);

    job = newJob;
    failure = {};
    failurePending.store (false, std::memory_order_release);
    building.store (true, std::memory_order_release);

    if (! startThread())
    {
        building.store (false, std::memory_order_release);
        return false;
    }

    return true;
}

juce::String StoreZipThread::takeFailure()
{
    if (failurePending.exchange (false, std::memory_order_acq_rel))
        return failure;

    return {};
}

void StoreZipThread::run()
{
    const auto result = buildArchive (job, progressZip);

    if (result.isNotEmpty())
    {
        failure = result;
        failurePending.store (true, std::memory_order_release);
        // Lets the wizard's timer hide the bar as for a finished build.
        progressZip.store (1.0, std::memory_order_release);
    }

    building.store (false, std::memory_order_release);
}
