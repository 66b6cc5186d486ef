#include "AudioRecorder.h"

#include "AudioGlobals.h"

#include <algorithm>

AudioRecorder::AudioRecorder()
{
    diskThread.startThread();
}

AudioRecorder::~AudioRecorder()
{
    stop();
    diskThread.stopThread (2000);
}

void AudioRecorder::startRecording (const juce::File& file)
{
    stop();

    const double rate = deviceRate.load (std::memory_order_acquire);
    if (! (rate > 0.0))
        return;

    // File::deleteFile removes a symbolic link itself, never its target.
    file.deleteFile();

    auto stream = std::make_unique<juce::FileOutputStream> (file, fileBufferBytes);
    if (stream->failedToOpen())
        return;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), rate,
                                                                          juce::AudioChannelSet::stereo(),
                                                                          16, {}, 0));
    if (writer == nullptr)
        return;

    stream.release(); // the writer owns it now

    bufferedWriter = std::make_unique<juce::AudioFormatWriter::ThreadedWriter> (writer.release(), diskThread, fifoFrames);
    // Rewriting the header about once a second keeps the file readable after a crash,
    // missing at most the last second.
    bufferedWriter->setFlushInterval (juce::jmax (1, juce::roundToInt (rate)));

    const juce::ScopedLock sl (callbackLock);
    currentWriter.store (bufferedWriter.get(), std::memory_order_release);
}

void AudioRecorder::stop()
{
    {
        const juce::ScopedLock sl (callbackLock);
        currentWriter.store (nullptr, std::memory_order_release);
    }

    // Writes what is left in the FIFO and completes the header; the callback no longer sees it.
    bufferedWriter.reset();
}

bool AudioRecorder::isRecording() const
{
    return currentWriter.load (std::memory_order_acquire) != nullptr;
}

void AudioRecorder::restartAnalysisBlock()
{
    const juce::ScopedLock sl (callbackLock);
    blockFill.store (0, std::memory_order_release);
    nextBlockReady.store (false, std::memory_order_release);
}

void AudioRecorder::audioDeviceAboutToStart (juce::AudioIODevice* device)
{
    deviceRate.store (device != nullptr ? device->getCurrentSampleRate() : 0.0, std::memory_order_release);
}

void AudioRecorder::audioDeviceStopped()
{
    deviceRate.store (0.0, std::memory_order_release);
}

void AudioRecorder::audioDeviceIOCallbackWithContext (const float* const* inputChannelData, int numInputChannels,
                                                      float* const* outputChannelData, int numOutputChannels,
                                                      int numSamples, const juce::AudioIODeviceCallbackContext&)
{
    const juce::ScopedLock sl (callbackLock);

    if (numSamples > 0)
    {
        if (auto* writer = currentWriter.load (std::memory_order_acquire))
            feedWriter (*writer, inputChannelData, numInputChannels, numSamples);
        else if (! nextBlockReady.load (std::memory_order_acquire))
            gatherForAnalysis (inputChannelData, numInputChannels, numSamples);
    }

    for (int c = 0; c < numOutputChannels; ++c)
        if (outputChannelData != nullptr && outputChannelData[c] != nullptr)
            std::fill_n (outputChannelData[c], juce::jmax (0, numSamples), 0.0f);
}

void AudioRecorder::feedWriter (juce::AudioFormatWriter::ThreadedWriter& writer, const float* const* inputChannelData,
                                int numInputChannels, int numSamples)
{
    // Inputs beyond the second are ignored; a missing one is recorded as silence.
    const float* in[2] = { nullptr, nullptr };
    for (int c = 0; c < 2; ++c)
        if (inputChannelData != nullptr && c < numInputChannels)
            in[c] = inputChannelData[c];

    if (in[0] != nullptr && in[1] != nullptr)
    {
        writer.write (in, numSamples); // a full FIFO drops the block
        return;
    }

    for (int start = 0; start < numSamples; start += silenceLength)
    {
        const int n = std::min (silenceLength, numSamples - start);
        const float* chunk[2] = { in[0] != nullptr ? in[0] + start : silence,
                                  in[1] != nullptr ? in[1] + start : silence };
        writer.write (chunk, n);
    }
}

void AudioRecorder::gatherForAnalysis (const float* const* inputChannelData, int numInputChannels, int numSamples)
{
    const int fill = juce::jlimit (0, analysisBlockLength, blockFill.load (std::memory_order_acquire));
    const int n = std::min (numSamples, analysisBlockLength - fill);

    for (int c = 0; c < 2; ++c)
    {
        const float* in = (inputChannelData != nullptr && c < numInputChannels) ? inputChannelData[c] : nullptr;
        // A channel the device does not deliver reads as silence rather than as an older block.
        if (in != nullptr)
            for (int i = 0; i < n; ++i)
                dataToProcess2 (c, fill + i) = static_cast<double> (in[i]);
        else
            for (int i = 0; i < n; ++i)
                dataToProcess2 (c, fill + i) = 0.0;
    }

    // The rest of the device block is dropped: the next analysis block starts afresh.
    if (fill + n >= analysisBlockLength)
    {
        blockFill.store (0, std::memory_order_release);
        nextBlockReady.store (true, std::memory_order_release);
    }
    else
    {
        blockFill.store (fill + n, std::memory_order_release);
    }
}
