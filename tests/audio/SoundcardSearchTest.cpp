#include <gtest/gtest.h>

#include "audio/AudioGlobals.h"
#include "audio/AudioRecorder.h"
#include "audio/SoundcardSearch.h"
#include "audio/SpectrumComponent.h"
#include "tools/sim/SimulatedSoundCard.h"

namespace juce
{
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

using namespace ormalix;

namespace
{
// Delivers the messages already posted (change messages, posted clicks).
void pumpMessages()
{
    for (int i = 0; i < 1000 && juce::dispatchNextMessageOnSystemQueue (true); ++i)
    {
    }
}

struct CountingCallback : public juce::AudioIODeviceCallback
{
    void audioDeviceIOCallbackWithContext (const float* const*, int, float* const*, int, int,
                                           const juce::AudioIODeviceCallbackContext&) override
    {
        blocks.fetch_add (1);
    }
    void audioDeviceAboutToStart (juce::AudioIODevice*) override { ++starts; }
    void audioDeviceStopped() override {}

    std::atomic<int> blocks { 0 };
    int starts = 0;
};

// The simulated card in the program's own audioDeviceManager, reset for every test.
struct SoundcardFixture : public ::testing::Test
{
    void SetUp() override
    {
        card = sim::SimulatedSoundCard::install (audioDeviceManager);
        card.setCard ({});
        card.setRoom ({});
        card.setSpeed (8.0);
        card.setPluggedIn (true);
    }

    void TearDown() override
    {
        audioDeviceManager.removeAudioCallback (&counting);
        audioDeviceManager.removeAudioCallback (&recorder);
        audioDeviceManager.closeAudioDevice();
        pumpMessages();
    }

    sim::SimulatedSoundCard card;
    CountingCallback counting;
    AudioRecorder recorder;
    bool soundcardConnected = false;
};
} // namespace

TEST_F (SoundcardFixture, CardPluggedInAfterAFailedSearchIsFoundByTheNextOne)
{
    card.setPluggedIn (false);
    EXPECT_FALSE (audio::findAndConnectSoundcard (soundcardConnected, counting));
    EXPECT_FALSE (soundcardConnected);
    EXPECT_EQ (audioDeviceManager.getCurrentAudioDevice(), nullptr);
    EXPECT_EQ (counting.starts, 0);

    card.setPluggedIn (true);
    EXPECT_TRUE (audio::findAndConnectSoundcard (soundcardConnected, counting));
    EXPECT_TRUE (soundcardConnected);

    auto* device = audioDeviceManager.getCurrentAudioDevice();
    ASSERT_NE (device, nullptr);
    EXPECT_EQ (device->getName(), "USB Advanced Audio Device");
    EXPECT_EQ (audioDeviceManager.getCurrentAudioDeviceType(), "Simulated");
    EXPECT_EQ (device->getCurrentSampleRate(), 48000.0);
    EXPECT_EQ (device->getCurrentBufferSizeSamples(), 2048);
    EXPECT_EQ (device->getActiveInputChannels(), juce::BigInteger (3));
    EXPECT_TRUE (device->getActiveOutputChannels().isZero());
    EXPECT_TRUE (audioDeviceManager.getAudioDeviceSetup().outputDeviceName.isEmpty());
    EXPECT_EQ (counting.starts, 1);

    // A second search neither reopens the device nor registers the callback again.
    EXPECT_TRUE (audio::findAndConnectSoundcard (soundcardConnected, counting));
    EXPECT_EQ (audioDeviceManager.getCurrentAudioDevice(), device);
    EXPECT_EQ (counting.starts, 1);

    const auto deadline = juce::Time::getMillisecondCounter() + 5000;
    while (counting.blocks.load() < 3 && juce::Time::getMillisecondCounter() < deadline)
        juce::Thread::sleep (5);
    EXPECT_GE (counting.blocks.load(), 3);
}

TEST_F (SoundcardFixture, CardIsFoundByExactNameFirstThenByItsPrefix)
{
    struct Case
    {
        juce::StringArray names;
        juce::String expected;   // empty: not found
    };
    const Case cases[] = {
        { { "USB Advanced Audio Device, USB Audio; Front input" }, "USB Advanced Audio Device, USB Audio; Front input" },
        { { "USB Advanced Audio Device, USB Audio", "USB Advanced Audio Device" }, "USB Advanced Audio Device" },
        { { "Built-in Microphone", "usb advanced audio device" }, {} },
        { { "Built-in Microphone" }, {} },
    };

    for (const auto& c : cases)
    {
        auto settings = card.getCard();
        settings.deviceNames = c.names;
        card.setCard (settings);

        audio::rescanAudioDeviceTypes (audioDeviceManager);
        const auto match = audio::findSoundcard (audioDeviceManager);
        if (c.expected.isEmpty())
        {
            EXPECT_FALSE (match.has_value()) << c.names.joinIntoString ("|");
            bool connected = false;
            EXPECT_FALSE (audio::findAndConnectSoundcard (connected, counting));
        }
        else
        {
            ASSERT_TRUE (match.has_value()) << c.names.joinIntoString ("|");
            EXPECT_EQ (match->deviceName, c.expected);
            EXPECT_EQ (match->typeName, "Simulated");
        }
    }

    auto settings = card.getCard();
    settings.deviceNames = { "USB Advanced Audio Device, USB Audio; Front input" };
    card.setCard (settings);
    ASSERT_TRUE (audio::findAndConnectSoundcard (soundcardConnected, counting));
    EXPECT_EQ (audioDeviceManager.getCurrentAudioDevice()->getName(), "USB Advanced Audio Device, USB Audio; Front input");
}

TEST_F (SoundcardFixture, CardWithout48kHzRunsAtItsOwnRate)
{
    auto settings = card.getCard();
    settings.sampleRates = { 44100.0 };
    card.setCard (settings);

    ASSERT_TRUE (audio::findAndConnectSoundcard (soundcardConnected, recorder));
    EXPECT_EQ (audioDeviceManager.getCurrentAudioDevice()->getCurrentSampleRate(), 44100.0);
    EXPECT_EQ (recorder.deviceRate.load(), 44100.0);

    const auto file = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile ("at44.wav");
    recorder.startRecording (file);
    ASSERT_TRUE (recorder.isRecording());
    juce::Thread::sleep (100);
    recorder.stop();

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader (wav.createReaderFor (file.createInputStream().release(), true));
    ASSERT_NE (reader, nullptr);
    EXPECT_EQ (reader->sampleRate, 44100.0);
}

TEST_F (SoundcardFixture, DeviceSelectorSurvivesRescansAndTheCheckRunsOnTheLiveCard)
{
    SoundcardSelectorComponent selector;
    card.setPluggedIn (false);
    EXPECT_FALSE (audio::findAndConnectSoundcard (soundcardConnected, recorder));
    pumpMessages();
    card.setPluggedIn (true);
    ASSERT_TRUE (audio::findAndConnectSoundcard (soundcardConnected, recorder));
    pumpMessages();

    // The wizard's protocol: restart the block, start the check, then one cycle per complete block.
    juce::TextButton trigger ("Trigger Spectrum");
    SpectrumComponent spectrum (trigger);
    recorder.restartAnalysisBlock();
    spectrum.startCheck();

    const auto deadline = juce::Time::getMillisecondCounter() + 20000;
    while (! spectrum.isFinished() && juce::Time::getMillisecondCounter() < deadline)
    {
        if (nextBlockReady.load (std::memory_order_acquire))
            trigger.triggerClick();
        pumpMessages();
        juce::Thread::sleep (5);
    }
    ASSERT_TRUE (spectrum.isFinished());
    EXPECT_EQ (spectrum.verdict().rule, 5) << spectrum.meanSnrDb;
    EXPECT_GT (spectrum.levelMeterLeft.value, 0.1f);
    EXPECT_GT (spectrum.snrMeterRight.value, 20.0f);

    // Pulled out, the card delivers nothing more.
    card.setPluggedIn (false);
    juce::Thread::sleep (50);
    const auto blocks = card.blocksDelivered();
    juce::Thread::sleep (200);
    EXPECT_EQ (card.blocksDelivered(), blocks);
}
