#include "CheckedFileOutput.h"

CheckedFileOutput::CheckedFileOutput (const juce::File& f, size_t bufferSize)
    : file (f), stream (std::make_unique<juce::FileOutputStream> (f, bufferSize))
{
    opened = stream->openedOk() && stream->setPosition (0) && stream->truncate().wasOk();
    ok = opened;
}

CheckedFileOutput::~CheckedFileOutput() = default;

bool CheckedFileOutput::write (const void* data, size_t numBytes)
{
    if (! ok)
        return false;

    ok = stream->write (data, numBytes);
    return ok;
}

juce::int64 CheckedFileOutput::getPosition()
{
    return stream != nullptr ? stream->getPosition() : 0;
}

bool CheckedFileOutput::setPosition (juce::int64 newPosition)
{
    if (stream == nullptr || ! stream->setPosition (newPosition))
        ok = false;

    return ok;
}

bool CheckedFileOutput::finish (bool removeOnFailure)
{
    if (stream == nullptr)
        return ok;

    ok = ok && stream->getStatus().wasOk();
    const auto written = stream->getPosition();
    stream.reset();   // writes the last buffer and closes the file

    // Whatever the last flush did, the file's size shows whether it got through.
    ok = ok && file.getSize() == written;

    if (! ok && removeOnFailure && opened)
        file.deleteFile();

    return ok;
}
