#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "audio/AudioGlobals.h"
#include "audio/AudioRecorder.h"
#include "audio/SoundcardSearch.h"
#include "support/LittleEndian.h"
#include "tools/sim/SimulatedSoundCard.h"

#include <cstdlib>

using ormalix::sim::SimulatedSoundCard;
using namespace ormalix::test;

namespace
{
// A recorder told that a simulated card runs at `rate`, fed by hand from the test thread.
struct RecorderFixture : public ::testing::Test
{
    void SetUp() override
    {
        type = card.createDeviceType();
        type->scanForDevices();
        device.reset (type->createDevice ({}, "USB Advanced Audio Device"));
        ASSERT_NE (device, nullptr);
        ASSERT_TRUE (device->open (3, 0, 48000.0, 2048).isEmpty());
        recorder.audioDeviceAboutToStart (device.get());
        recorder.restartAnalysisBlock();
        left.resize (4096);
        right.resize (4096);
        third.assign (4096, 0.75f);
    }

    // One device block whose samples encode their frame number, so the file and the analysis
    // block show exactly which frames arrived.
    void feed (int numSamples, int numInputs = 2)
    {
        for (int i = 0; i < numSamples; ++i)
        {
            left[(size_t) i] = sampleAt (0, frame + i);
            right[(size_t) i] = sampleAt (1, frame + i);
        }
        const float* in[3] = { left.data(), right.data(), third.data() };
        float out[16];
        float* outs[1] = { out };
        recorder.audioDeviceIOCallbackWithContext (in, numInputs, outs, numSamples <= 16 ? 1 : 0, numSamples, {});
        frame += numSamples;
    }

    static float sampleAt (int channel, int64_t f)
    {
        const int k = (int) (f % 20011) - 10005;  // distinct 16-bit steps, positive and negative
        return (float) (channel == 0 ? k : -k / 2) / 32768.0f;
    }

    static int16_t expected16 (int channel, int64_t f)
    {
        return (int16_t) juce::jlimit (-32767, 32767, juce::roundToInt (sampleAt (channel, f) * 32768.0));
    }

    juce::File tempWav (const juce::String& name) const
    {
        return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile (name);
    }

    SimulatedSoundCard card;
    std::unique_ptr<juce::AudioIODeviceType> type;
    std::unique_ptr<juce::AudioIODevice> device;
    AudioRecorder recorder;
    std::vector<float> left, right, third;
    int64_t frame = 0;
};

// sox, an independent WAV reader, as the peer: the file's samples as raw 16-bit little-endian.
bool soxRead (const juce::File& wav, juce::MemoryBlock& samples, int& channels, double& rate)
{
    const auto raw = wav.getSiblingFile (wav.getFileNameWithoutExtension() + "-sox.raw");
    juce::ChildProcess info;
    if (! info.start (juce::StringArray { "sox", "--i", "-c", wav.getFullPathName() }))
        return false;
    channels = info.readAllProcessOutput().trim().getIntValue();
    juce::ChildProcess r;
    if (! r.start (juce::StringArray { "sox", "--i", "-r", wav.getFullPathName() }))
        return false;
    rate = r.readAllProcessOutput().trim().getDoubleValue();

    juce::ChildProcess convert;
    if (! convert.start (juce::StringArray { "sox", wav.getFullPathName(), "-t", "raw", "-e", "signed-integer",
                                             "-b", "16", "-L", raw.getFullPathName() }))
        return false;
    convert.readAllProcessOutput();
    if (! convert.waitForProcessToFinish (20000) || convert.getExitCode() != 0)
        return false;
    return raw.loadFileAsData (samples);
}
} // namespace

TEST_F (RecorderFixture, WavFileHasTheExactLayoutAndSoxReadsTheSameSamples)
{
    const auto file = tempWav ("layout.wav");
    recorder.startRecording (file);
    ASSERT_TRUE (recorder.isRecording());

    const int frames = 5 * 2048 + 100;
    for (int i = 0; i < 5; ++i)
        feed (2048);
    feed (100);
    recorder.stop();
    EXPECT_FALSE (recorder.isRecording());

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    const uint32_t dataBytes = (uint32_t) frames * 4;
    ASSERT_EQ (bytes.getSize(), 104u + dataBytes);

    EXPECT_EQ (fourCC (bytes, 0), "RIFF");
    EXPECT_EQ (le32 (bytes, 4), bytes.getSize() - 8);
    EXPECT_EQ (fourCC (bytes, 8), "WAVE");
    EXPECT_EQ (fourCC (bytes, 12), "JUNK");
    EXPECT_EQ (le32 (bytes, 16), 52u);
    for (size_t i = 20; i < 72; ++i)
        ASSERT_EQ (static_cast<const uint8_t*> (bytes.getData())[i], 0) << i;
    EXPECT_EQ (fourCC (bytes, 72), "fmt ");
    EXPECT_EQ (le32 (bytes, 76), 16u);
    EXPECT_EQ (le16 (bytes, 80), 1u);
    EXPECT_EQ (le16 (bytes, 82), 2u);
    EXPECT_EQ (le32 (bytes, 84), 48000u);
    EXPECT_EQ (le32 (bytes, 88), 192000u);
    EXPECT_EQ (le16 (bytes, 92), 4u);
    EXPECT_EQ (le16 (bytes, 94), 16u);
    EXPECT_EQ (fourCC (bytes, 96), "data");
    EXPECT_EQ (le32 (bytes, 100), dataBytes);

    for (int f = 0; f < frames; ++f)
    {
        ASSERT_EQ ((int16_t) le16 (bytes, 104 + (size_t) f * 4), expected16 (0, f)) << f;
        ASSERT_EQ ((int16_t) le16 (bytes, 106 + (size_t) f * 4), expected16 (1, f)) << f;
    }

    juce::MemoryBlock peer;
    int channels = 0;
    double rate = 0.0;
    ASSERT_TRUE (soxRead (file, peer, channels, rate));
    EXPECT_EQ (channels, 2);
    EXPECT_EQ (rate, 48000.0);
    ASSERT_EQ (peer.getSize(), (size_t) dataBytes);
    EXPECT_EQ (memcmp (peer.getData(), static_cast<const char*> (bytes.getData()) + 104, dataBytes), 0);
}

TEST_F (RecorderFixture, AnalysisBlockCompletesAt48000AndWaitsForTheAnalysis)
{
    for (int i = 0; i < 23; ++i)
        feed (2048);
    EXPECT_EQ (recorder.blockFill.load(), 47104);
    EXPECT_FALSE (nextBlockReady.load());

    feed (2048); // 896 samples complete the block, the other 1152 are dropped
    EXPECT_TRUE (nextBlockReady.load());
    EXPECT_EQ (recorder.blockFill.load(), 0);
    for (int col : { 0, 47103, 47104, 47999 })
    {
        EXPECT_EQ (dataToProcess2 (0, col), (double) sampleAt (0, col)) << col;
        EXPECT_EQ (dataToProcess2 (1, col), (double) sampleAt (1, col)) << col;
    }

    // While the block waits, nothing changes it.
    const Eigen::MatrixXd waiting = dataToProcess2;
    for (int i = 0; i < 5; ++i)
        feed (2048);
    EXPECT_TRUE (dataToProcess2 == waiting);
    EXPECT_EQ (recorder.blockFill.load(), 0);

    // Released, the next block starts at column 0 with the next device block.
    nextBlockReady.store (false);
    const int64_t first = frame;
    feed (2048);
    EXPECT_EQ (recorder.blockFill.load(), 2048);
    EXPECT_EQ (dataToProcess2 (0, 0), (double) sampleAt (0, first));
}

TEST_F (RecorderFixture, RestartAndRecordingsLeaveTheAnalysisBlockConsistent)
{
    for (int i = 0; i < 10; ++i)
        feed (2048);
    ASSERT_EQ (recorder.blockFill.load(), 20480);

    // A recording in between neither moves nor fills the analysis block.
    recorder.startRecording (tempWav ("between.wav"));
    feed (2048);
    EXPECT_EQ (recorder.blockFill.load(), 20480);
    recorder.stop();
    feed (2048);
    EXPECT_EQ (recorder.blockFill.load(), 22528);

    // After a restart the block holds only what came after it.
    recorder.restartAnalysisBlock();
    EXPECT_EQ (recorder.blockFill.load(), 0);
    const int64_t first = frame;
    while (! nextBlockReady.load())
        feed (2048);
    EXPECT_EQ (dataToProcess2 (0, 0), (double) sampleAt (0, first));
    EXPECT_EQ (dataToProcess2 (1, 47999), (double) sampleAt (1, first + 47999));
}

TEST_F (RecorderFixture, InputsBeyondTheSecondAreIgnored)
{
    const auto file = tempWav ("three.wav");
    recorder.startRecording (file);
    feed (2048, 3);
    recorder.stop();

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    ASSERT_EQ (bytes.getSize(), 104u + 2048u * 4u);
    EXPECT_EQ (le16 (bytes, 82), 2u);
    EXPECT_EQ ((int16_t) le16 (bytes, 104 + 4 * 7), expected16 (0, 7));
    EXPECT_EQ ((int16_t) le16 (bytes, 106 + 4 * 7), expected16 (1, 7));

    recorder.restartAnalysisBlock();
    const int64_t first = frame;
    feed (2048, 3);
    EXPECT_EQ (dataToProcess2 (0, 5), (double) sampleAt (0, first + 5));
    EXPECT_EQ (dataToProcess2 (1, 5), (double) sampleAt (1, first + 5));

    // One input only: the missing right channel is silence, in the file and in the block.
    recorder.restartAnalysisBlock();
    feed (2048, 1);
    EXPECT_EQ (dataToProcess2 (1, 5), 0.0);
}

TEST_F (RecorderFixture, SecondStartFinishesTheFirstFile)
{
    const auto a = tempWav ("a.wav"), b = tempWav ("b.wav");
    recorder.startRecording (a);
    for (int i = 0; i < 3; ++i)
        feed (2048);

    recorder.startRecording (b);
    ASSERT_TRUE (recorder.isRecording());
    // The first file is complete the moment the second starts.
    juce::MemoryBlock bytes;
    ASSERT_TRUE (a.loadFileAsData (bytes));
    EXPECT_EQ (bytes.getSize(), 104u + 3u * 2048u * 4u);
    EXPECT_EQ (le32 (bytes, 100), 3u * 2048u * 4u);
    EXPECT_EQ (le32 (bytes, 4), bytes.getSize() - 8);

    feed (2048);
    recorder.stop();
    juce::MemoryBlock second;
    ASSERT_TRUE (b.loadFileAsData (second));
    EXPECT_EQ (le32 (second, 100), 2048u * 4u);
    EXPECT_EQ ((int16_t) le16 (second, 104), expected16 (0, 3 * 2048));
}

TEST_F (RecorderFixture, ExistingFileIsReplacedAndASymlinkItselfRemoved)
{
    const auto target = tempWav ("target.txt");
    ASSERT_TRUE (target.replaceWithText ("keep me"));
    const auto link = tempWav ("link.wav");
    ASSERT_TRUE (target.createSymbolicLink (link, true));

    recorder.startRecording (link);
    feed (2048);
    recorder.stop();

    EXPECT_EQ (target.loadFileAsString(), "keep me");
    EXPECT_FALSE (link.isSymbolicLink());
    EXPECT_EQ (link.getSize(), 104 + 2048 * 4);
}

TEST (AudioRecorder, WithoutARunningDeviceNothingIsRecorded)
{
    AudioRecorder recorder;
    const auto file = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile ("none.wav");
    recorder.startRecording (file);
    EXPECT_FALSE (recorder.isRecording());
    EXPECT_FALSE (file.exists());

    // A folder that cannot be written likewise gives no recording.
    recorder.deviceRate = 48000.0;
    recorder.startRecording (juce::File ("/proc/ormalix-cannot-write-here.wav"));
    EXPECT_FALSE (recorder.isRecording());

    // A device that stops takes the rate with it.
    recorder.audioDeviceStopped();
    recorder.startRecording (file);
    EXPECT_FALSE (recorder.isRecording());
}

TEST_F (RecorderFixture, CallbackAllocatesNothingInEitherPath)
{
    {
        ormalix::test::CountAllocations sanity;
        auto p = std::make_unique<int> (1);
        EXPECT_EQ (sanity.count(), 1);
    }

    {
        ormalix::test::CountAllocations counter;
        for (int i = 0; i < 30; ++i) // fills, completes and then waits
            feed (2048);
        EXPECT_EQ (counter.count(), 0) << "analysis path";
    }
    EXPECT_TRUE (nextBlockReady.load());

    recorder.startRecording (tempWav ("alloc.wav"));
    ASSERT_TRUE (recorder.isRecording());
    {
        ormalix::test::CountAllocations counter;
        for (int i = 0; i < 10; ++i)
            feed (2048);
        feed (2048, 1); // a missing channel is filled with silence, not a new buffer
        EXPECT_EQ (counter.count(), 0) << "recording path";
    }
    recorder.stop();
}

// Runs in a child process only: records from the simulated card until it is killed.
TEST (AudioRecorderCrashChild, RecordsUntilKilled)
{
    const char* path = std::getenv ("ORMALIX_RECORDER_CHILD_WAV");
    if (path == nullptr)
        GTEST_SKIP() << "only run as the child of AudioRecorder.FileKilledMidRecordingStaysReadable";

    auto card = SimulatedSoundCard::install (audioDeviceManager);
    card.setSpeed (2.0);
    AudioRecorder recorder;
    bool connected = false;
    ASSERT_TRUE (ormalix::audio::findAndConnectSoundcard (connected, recorder));
    recorder.startRecording (juce::File (path));
    ASSERT_TRUE (recorder.isRecording());
    juce::Thread::sleep (60000);
}

TEST (AudioRecorder, FileKilledMidRecordingStaysReadable)
{
    const auto file = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile ("killed.wav");
    const auto exe = juce::File::getSpecialLocation (juce::File::currentExecutableFile);

    ::setenv ("ORMALIX_RECORDER_CHILD_WAV", file.getFullPathName().toRawUTF8(), 1);
    juce::ChildProcess child;
    const bool started = child.start (juce::StringArray { exe.getFullPathName(), "--gtest_filter=AudioRecorderCrashChild.RecordsUntilKilled" }, 0);
    ::unsetenv ("ORMALIX_RECORDER_CHILD_WAV");
    ASSERT_TRUE (started);

    // Wait for about three seconds of sound on disk, then kill the child mid-recording.
    const auto deadline = juce::Time::getMillisecondCounter() + 30000;
    while (file.getSize() < 104 + 3 * 192000 && juce::Time::getMillisecondCounter() < deadline && child.isRunning())
        juce::Thread::sleep (20);
    ASSERT_TRUE (child.isRunning());
    ASSERT_TRUE (child.kill());
    child.waitForProcessToFinish (10000);

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    ASSERT_GE (bytes.getSize(), 104u);
    const uint32_t onDisk = (uint32_t) bytes.getSize() - 104;
    const uint32_t inHeader = le32 (bytes, 100);

    EXPECT_EQ (inHeader % 4, 0u);
    EXPECT_LE (inHeader, onDisk);
    EXPECT_LE (onDisk - inHeader, 192000u) << "the header lags the data by more than a second";
    EXPECT_GE (inHeader, 2u * 192000u);
    EXPECT_EQ (le32 (bytes, 4), inHeader + 96);

    juce::MemoryBlock peer;
    int channels = 0;
    double rate = 0.0;
    ASSERT_TRUE (soxRead (file, peer, channels, rate));
    EXPECT_EQ (channels, 2);
    EXPECT_EQ (peer.getSize(), (size_t) inHeader);
    EXPECT_EQ (memcmp (peer.getData(), static_cast<const char*> (bytes.getData()) + 104, inHeader), 0);
}
