#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <memory>

// What one archive build packs, and where.
struct ArchiveJob
{
    juce::File recording;     // measurement WAV
    juce::File log;           // head-orientation CSV
    juce::File calibration;   // system-response WAV
    juce::File target;        // the archive to create
};

// Packs the system response, the recording and the log, in that order, into job.target:
// deflated at level 9, each entry named by the file's own name and dated by its modification
// time. Before entry i of n is read, progress becomes (i + 0.5) / n, and 1 once the archive is
// complete. Returns an empty string on success; otherwise the text for the report box, and
// no partly written archive is left behind.
juce::String buildArchive (const ArchiveJob& job, std::atomic<double>& progress);

// The "Zip Thread": builds one archive per start. A build is never disturbed: a start while
// one runs is refused, and destruction waits for it to finish.
class StoreZipThread : public juce::Thread
{
public:
    StoreZipThread();
    ~StoreZipThread() override;

    // Message thread. Starts building job, storing its progress in progressZip; false when
    // a build is still running (nothing changes then) or the thread cannot be started.
    bool startBuild (const ArchiveJob& job);

    bool isBuilding() const noexcept { return building.load (std::memory_order_acquire); }

    // Message thread. The report text of a build that failed, once; empty otherwise.
    juce::String takeFailure();

    void run() override;

private:
    ArchiveJob job;   // the build's own copy: a later choice of files never reaches it
    juce::String failure;
    std::atomic<bool> building { false };
    std::atomic<bool> failurePending { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StoreZipThread)
};
