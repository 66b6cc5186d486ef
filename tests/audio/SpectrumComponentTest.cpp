#include <gtest/gtest.h>

#include "AudioTestHelpers.h"
#include "audio/SpectrumComponent.h"

using namespace ormalix;

namespace
{
struct SpectrumFixture : public ::testing::Test
{
    void SetUp() override
    {
        spectrum.deviceRate = [this] { return rate; };
        nextBlockReady.store (false);
    }

    void TearDown() override { nextBlockReady.store (false); }

    void handOver (const Eigen::MatrixXd& block)
    {
        dataToProcess2 = block;
        nextBlockReady.store (true, std::memory_order_release);
    }

    juce::TextButton trigger { "Trigger Spectrum" };
    SpectrumComponent spectrum { trigger };
    double rate = 48000.0;
};
} // namespace

TEST_F (SpectrumFixture, IdleTriggerOnlyRefreshesTheLevelMetersAndReleasesTheBlock)
{
    EXPECT_EQ (spectrum.cycleCount, 5);
    EXPECT_EQ (spectrum.levelMeterLeft.threshold, 0.5f);
    EXPECT_EQ (spectrum.snrMeterRight.threshold, 20.0f);

    handOver (test::roomBlock ({}, 48000.0));
    spectrum.buttonClicked (&trigger);

    EXPECT_FALSE (nextBlockReady.load());
    EXPECT_GT (spectrum.levelMeterLeft.value, 0.1f);
    EXPECT_GT (spectrum.levelMeterRight.value, 0.1f);
    EXPECT_EQ (spectrum.snrMeterLeft.value, 0.0f);
    EXPECT_EQ (spectrum.cycleCount, 5);
    EXPECT_EQ (spectrum.meanSnrDb, 0.0f);
}

TEST_F (SpectrumFixture, OnlyTheTriggerButtonAndOnlyACompleteBlockRunACycle)
{
    spectrum.startCheck();
    EXPECT_EQ (spectrum.cycleCount, 0);

    juce::TextButton other ("other");
    handOver (test::roomBlock ({}, 48000.0));
    spectrum.buttonClicked (&other);
    EXPECT_TRUE (nextBlockReady.load());
    EXPECT_EQ (spectrum.cycleCount, 0);

    // The block still belongs to the audio thread: nothing is read or released.
    nextBlockReady.store (false);
    spectrum.buttonClicked (&trigger);
    EXPECT_EQ (spectrum.cycleCount, 0);
    EXPECT_EQ (spectrum.levelMeterLeft.value, 0.0f);
}

TEST_F (SpectrumFixture, ChecksFiveCyclesThenShowsTheVerdict)
{
    spectrum.levelMeterLeft.value = 0.3f;
    spectrum.startCheck();
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_FALSE (spectrum.isFinished());
        handOver (test::roomBlock ({}, 48000.0, 1.1 * i));
        spectrum.buttonClicked (&trigger);
        EXPECT_FALSE (nextBlockReady.load());
    }
    EXPECT_TRUE (spectrum.isFinished());
    EXPECT_GT (spectrum.meanSnrDb, 20.0f);
    EXPECT_GT (spectrum.snrMeterLeft.value, 20.0f);

    // Further blocks refresh the level meters only.
    const float mean = spectrum.meanSnrDb;
    const Eigen::MatrixXd quiet = test::roomBlock ({}, 48000.0) * 0.1;
    handOver (quiet);
    spectrum.buttonClicked (&trigger);
    EXPECT_EQ (spectrum.meanSnrDb, mean);
    EXPECT_LT (spectrum.levelMeterLeft.value, 0.05f);

    juce::TextEditor instruction, result;
    result.setText ("No audio checks have been carried out yet.");
    spectrum.showVerdict (instruction, result);
    EXPECT_EQ (result.getText(), "All audio checks have been successfully passed. You are ready to roll! ");
    EXPECT_EQ (result.findColour (juce::TextEditor::textColourId), juce::Colours::lightgreen);
    EXPECT_TRUE (instruction.getText().startsWith ("Now we will check the audio quality of the recorded signals."));
    EXPECT_TRUE (instruction.getText().contains ("(for fifteen minutes).\n \nNext, direct your head"));
    EXPECT_TRUE (instruction.getText().endsWith ("too much background noise."));
}

TEST_F (SpectrumFixture, WithoutADeviceOrAtTooHighARateTheBlockIsOnlyReleased)
{
    spectrum.startCheck();
    for (double r : { 0.0, 96000.0 })
    {
        rate = r;
        handOver (test::roomBlock ({}, 48000.0));
        spectrum.buttonClicked (&trigger);
        EXPECT_FALSE (nextBlockReady.load()) << r;
        EXPECT_EQ (spectrum.cycleCount, 0) << r;
        EXPECT_GT (spectrum.levelMeterLeft.value, 0.1f) << r;
    }

    // A rate change between cycles is absorbed by resampling the filter first.
    rate = 44100.0;
    handOver (test::roomBlock ({}, 44100.0));
    spectrum.buttonClicked (&trigger);
    EXPECT_EQ (spectrum.cycleCount, 1);
    EXPECT_EQ (spectrum.cycle.analysisRate, 44100.0);
    EXPECT_GT (spectrum.meanSnrDb, 20.0f);
}

TEST_F (SpectrumFixture, PaintLaysOutTheFourMeters)
{
    spectrum.setSize (1000, 620);
    juce::Image image (juce::Image::ARGB, 1000, 620, true);
    juce::Graphics g (image);
    spectrum.paint (g);

    // half 500, right part 380, usable height 500, left part 380, splits 190, meters 470 high.
    EXPECT_EQ (spectrum.levelMeterLeft.getBounds(), juce::Rectangle<int> (75, 75, 160, 470));
    EXPECT_EQ (spectrum.levelMeterRight.getBounds(), juce::Rectangle<int> (265, 75, 160, 470));
    EXPECT_EQ (spectrum.snrMeterLeft.getBounds(), juce::Rectangle<int> (575, 75, 160, 470));
    EXPECT_EQ (spectrum.snrMeterRight.getBounds(), juce::Rectangle<int> (765, 75, 160, 470));

    // Two black lines from x 60 to 440, at y 510 and 435.
    for (int y : { 510, 435 })
    {
        EXPECT_EQ (image.getPixelAt (100, y), juce::Colours::black) << y;
        EXPECT_EQ (image.getPixelAt (100, y + 2).getAlpha(), 0) << y;
        EXPECT_EQ (image.getPixelAt (450, y).getAlpha(), 0) << y;
    }

    // Too small for anything: every size is clamped at 0.
    spectrum.setSize (100, 50);
    spectrum.paint (g);
    EXPECT_EQ (spectrum.levelMeterLeft.getWidth(), 0);
    EXPECT_EQ (spectrum.snrMeterRight.getHeight(), 0);
}
