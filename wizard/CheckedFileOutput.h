#pragma once

#include <juce_core/juce_core.h>

#include <memory>

// A file written from its start through a buffered juce::FileOutputStream that can tell, once
// closed, whether every byte reached the disk. The framework's stream drops the result of its
// last buffer flush, so a full disk would otherwise pass for success.
class CheckedFileOutput : public juce::OutputStream
{
public:
    // Opens file, creating it when needed, and truncates it.
    explicit CheckedFileOutput (const juce::File& file, size_t bufferSize = 16384);
    ~CheckedFileOutput() override;

    bool openedOk() const noexcept { return opened; }

    // Closes the file (flushing it); true when it holds exactly what was written. With
    // removeOnFailure, a file that did not come out whole is deleted.
    bool finish (bool removeOnFailure);

    bool write (const void* data, size_t numBytes) override;
    juce::int64 getPosition() override;
    bool setPosition (juce::int64 newPosition) override;
    void flush() override {}   // the data is flushed by finish; no fsync per call

private:
    juce::File file;
    std::unique_ptr<juce::FileOutputStream> stream;
    bool opened = false;
    bool ok = false;

    JUCE_DECLARE_NON_COPYABLE (CheckedFileOutput)
};
