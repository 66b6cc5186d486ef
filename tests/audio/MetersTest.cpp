#include <gtest/gtest.h>

#include "audio/LiveScrollingAudioDisplay.h"
#include "audio/Meters.h"

namespace
{
template <typename Meter>
juce::Image paintMeter (float value, float threshold, int height = 300)
{
    Meter meter;
    meter.setSize (40, height);
    meter.value = value;
    meter.threshold = threshold;
    juce::Image image (juce::Image::ARGB, 40, height, true);
    juce::Graphics g (image);
    meter.paint (g);
    return image;
}

// Height of the bar at the meter's centre column, and its colour.
int barHeight (const juce::Image& image, juce::Colour& colour)
{
    const auto grey = juce::Colours::white.withBrightness (0.4f);
    int h = 0;
    colour = grey;
    for (int y = image.getHeight() - 1; y >= 0; --y)
    {
        const auto p = image.getPixelAt (20, y);
        if (p == grey)
            break;
        colour = p;
        ++h;
    }
    return h;
}
} // namespace

TEST (Meters, BarHeightAndColourFollowValueThresholdAndFullScale)
{
    struct Case
    {
        bool snr;
        float value, threshold;
        int bar;
        juce::Colour colour;
    };
    const Case cases[] = {
        { false, 0.375f, 0.5f, 150, juce::Colours::white },
        { false, 0.6f, 0.5f, 240, juce::Colours::red },
        { false, 0.5f, 0.5f, 200, juce::Colours::red },    // red from the threshold on
        { false, 1.2f, 0.5f, 300, juce::Colours::red },    // never beyond the component
        { false, 0.0f, 0.5f, 0, {} },
        { false, -0.3f, 0.5f, 0, {} },                     // negative: no bar at all
        { true, 10.0f, 20.0f, 50, juce::Colours::white },
        { true, 30.0f, 20.0f, 150, juce::Colours::red },
        { true, 20.0f, 20.0f, 100, juce::Colours::red },
    };

    for (const auto& c : cases)
    {
        const auto image = c.snr ? paintMeter<VerticalSNRMeter> (c.value, c.threshold)
                                 : paintMeter<VerticalLevelMeter> (c.value, c.threshold);
        juce::Colour colour;
        const int h = barHeight (image, colour);
        EXPECT_NEAR (h, c.bar, 1) << (c.snr ? "snr " : "level ") << c.value;
        if (c.bar > 0)
        {
            EXPECT_EQ (colour, c.colour) << c.value;
        }
        else
        {
            EXPECT_EQ (image.getPixelAt (20, 150), juce::Colours::white.withBrightness (0.4f)) << c.value;
        }
    }
}

TEST (LiveScrollingAudioDisplay, ShowsTenTimesTheSumOfTheInputs)
{
    const float a[] = { 0.05f, 0.05f }, b[] = { -0.05f, -0.05f };
    const float* both[] = { a, b };
    const float* withNull[] = { a, nullptr };
    EXPECT_FLOAT_EQ (LiveScrollingAudioDisplay::displayValue (both, 2, 1), 0.0f);
    EXPECT_FLOAT_EQ (LiveScrollingAudioDisplay::displayValue (both, 1, 1), 0.5f);
    EXPECT_FLOAT_EQ (LiveScrollingAudioDisplay::displayValue (withNull, 2, 0), 0.5f);
    EXPECT_FLOAT_EQ (LiveScrollingAudioDisplay::displayValue (nullptr, 0, 0), 0.0f);

    // With no inputs the callback still clears every output.
    LiveScrollingAudioDisplay display;
    float out1[8], out2[8];
    std::fill (std::begin (out1), std::end (out1), 1.0f);
    std::fill (std::begin (out2), std::end (out2), 1.0f);
    float* outs[] = { out1, nullptr, out2 };
    display.audioDeviceIOCallbackWithContext (nullptr, 0, outs, 3, 8, {});
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ (out1[i], 0.0f);
        EXPECT_EQ (out2[i], 0.0f);
    }
}

TEST (LiveScrollingAudioDisplay, TraceSpansTheBoostedSumOfEachColumn)
{
    // One channel swinging between +0.05 and -0.05 fills each column from -0.5 to +0.5;
    // a second channel in opposite phase cancels it to a flat line at 0.
    std::vector<float> up (1024 * 256), down (up.size());
    for (size_t i = 0; i < up.size(); ++i)
    {
        up[i] = (i % 2 == 0) ? 0.05f : -0.05f;
        down[i] = -up[i];
    }

    auto render = [&] (int numInputs) {
        LiveScrollingAudioDisplay display;
        EXPECT_TRUE (display.isOpaque());
        display.setSize (1024, 200);
        const float* in[] = { up.data(), down.data() };
        display.audioDeviceIOCallbackWithContext (in, numInputs, nullptr, 0, (int) up.size(), {});
        juce::Image image (juce::Image::RGB, 1024, 200, true);
        juce::Graphics g (image);
        display.paint (g);
        return image;
    };

    const auto one = render (1);
    EXPECT_EQ (one.getPixelAt (500, 60), juce::Colours::white);
    EXPECT_EQ (one.getPixelAt (500, 140), juce::Colours::white);
    EXPECT_EQ (one.getPixelAt (500, 20), juce::Colours::black);
    EXPECT_EQ (one.getPixelAt (500, 180), juce::Colours::black);

    const auto both = render (2);
    EXPECT_EQ (both.getPixelAt (500, 60), juce::Colours::black);
    EXPECT_EQ (both.getPixelAt (500, 140), juce::Colours::black);
}
