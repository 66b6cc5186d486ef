#pragma once

#include <juce_graphics/juce_graphics.h>

#include <array>

// Where every child of the wizard goes for a given size; pure arithmetic, so it is
// checked without a window. All strips are clamped: a strip takes at most what is left.
struct WizardLayout
{
    juce::Rectangle<int> caption;
    std::array<juce::Rectangle<int>, 6> stepButtons;
    juce::Rectangle<int> rightPanel;       // instruction panels and notFoundPanel
    juce::Rectangle<int> actionButtons;    // all five action buttons
    juce::Rectangle<int> illustrations;    // both image views
    juce::Rectangle<int> progressBars;     // all four progress bars
    juce::Rectangle<int> centreSquare;     // result panels and the head view
    juce::Rectangle<int> rotationSpeedBar;
    int sideMargin = 0;                    // L

    static WizardLayout compute (int width, int height);
};
