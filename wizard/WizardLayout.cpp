#include "WizardLayout.h"

WizardLayout WizardLayout::compute (int width, int height)
{
    WizardLayout layout;

    const auto inner = juce::Rectangle<int> (0, 0, juce::jmax (0, width), juce::jmax (0, height)).reduced (10);
    const int w = inner.getWidth();
    const int h = inner.getHeight();

    {
        auto area = inner;
        layout.caption = area.removeFromBottom (juce::jmin (h, 120)).reduced (5);
    }

    {
        auto column = inner.withWidth (juce::jmin (w, 75));
        for (auto& slot : layout.stepButtons)
            slot = column.removeFromTop (40).reduced (5);
    }

    auto middle = inner;
    layout.rightPanel = middle.removeFromRight (juce::jmin (w, 400));
    const int m = middle.getWidth();

    const auto top = middle.removeFromTop (juce::jmin (h, 75));
    const int t = top.getHeight();
    layout.actionButtons = top.reduced (juce::jmax (0, (m - 100) / 2), juce::jmax (0, (t - 50) / 2));

    // middle is now the part below the top strip.
    const int B = middle.getHeight();
    layout.illustrations = middle.withTrimmedBottom (juce::jmin (B, 75)).reduced (20);

    auto belowTop = middle;
    const auto bottomStrip = belowTop.removeFromBottom (juce::jmin (B, 100));

    // The margin widens so that the centre square is never wider than it is high.
    const int L = (m - 200) <= (B - 100) ? 100 : 100 + ((m - 200) - (B - 100)) / 2;
    layout.sideMargin = L;

    layout.progressBars = bottomStrip.withHeight (juce::jmin (bottomStrip.getHeight(), 50)).reduced (L, 0);
    layout.centreSquare = belowTop.reduced (L, 0);

    auto bar = juce::Rectangle<int> (10 + L - juce::jmin (L, 50), layout.centreSquare.getY(),
                                     juce::jmin (L, 50), layout.centreSquare.getHeight());
    bar.removeFromTop (40);
    bar.removeFromBottom (40);
    layout.rotationSpeedBar = bar;

    return layout;
}
