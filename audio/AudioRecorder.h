#pragma once

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <atomic>
#include <memory>

// The program's only audio callback. Each device block goes either into the WAV file being
// recorded (through a FIFO that the disk thread drains) or, when nothing is recorded, into the
// one-second analysis block dataToProcess2 that is handed to the quality check.
class AudioRecorder : public juce::AudioIODeviceCallback
{
public:
    AudioRecorder();
    ~AudioRecorder() override;

    void audioDeviceIOCallbackWithContext (const float* const* inputChannelData, int numInputChannels,
                                           float* const* outputChannelData, int numOutputChannels,
                                           int numSamples, const juce::AudioIODeviceCallbackContext& context) override;
    void audioDeviceAboutToStart (juce::AudioIODevice* device) override;
    void audioDeviceStopped() override;

    // Message thread. Finishes any running recording, then records into `file` (replacing
    // whatever is there) if a device runs and the file can be written; otherwise does nothing.
    void startRecording (const juce::File& file);

    // Message thread. Detaches the writer from the callback, then writes the rest of the FIFO
    // and completes the file before returning.
    void stop();

    bool isRecording() const;

    // Message thread: starts the analysis block from scratch (blockFill 0, nextBlockReady false)
    // under callbackLock, so the next complete block holds only samples gathered after this call.
    void restartAnalysisBlock();

    // Frames buffered between the audio thread and the disk thread.
    static constexpr int fifoFrames = 32768;
    static constexpr int fileBufferBytes = 32768;

    juce::TimeSliceThread diskThread { "Audio Recorder Thread" };
    std::unique_ptr<juce::AudioFormatWriter::ThreadedWriter> bufferedWriter;
    std::atomic<double> deviceRate { 0.0 };
    // Frames gathered into the current analysis block; changed only under callbackLock.
    std::atomic<int> blockFill { 0 };
    juce::CriticalSection callbackLock;
    std::atomic<juce::AudioFormatWriter::ThreadedWriter*> currentWriter { nullptr };

private:
    void gatherForAnalysis (const float* const* inputChannelData, int numInputChannels, int numSamples);
    void feedWriter (juce::AudioFormatWriter::ThreadedWriter& writer, const float* const* inputChannelData,
                     int numInputChannels, int numSamples);

    // Stands in for a channel the device does not deliver, so the file always gets two.
    static constexpr int silenceLength = 4096;
    float silence[silenceLength] {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AudioRecorder)
};
