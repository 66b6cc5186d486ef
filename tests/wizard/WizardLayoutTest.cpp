#include <gtest/gtest.h>

#include "wizard/WizardLayout.h"

using R = juce::Rectangle<int>;

TEST (WizardLayout, FullHdLikeScreenGivesTheReferenceRectangles)
{
    const auto l = WizardLayout::compute (1440, 875);

    EXPECT_EQ (l.rightPanel, R (1030, 10, 400, 855));
    EXPECT_EQ (l.actionButtons, R (470, 22, 100, 51));
    EXPECT_EQ (l.illustrations, R (30, 105, 980, 665));
    EXPECT_EQ (l.sideMargin, 170);
    EXPECT_EQ (l.progressBars, R (180, 765, 680, 50));
    EXPECT_EQ (l.centreSquare, R (180, 85, 680, 680));
    EXPECT_EQ (l.rotationSpeedBar, R (130, 125, 50, 600));
    EXPECT_EQ (l.caption, R (15, 750, 1410, 110));
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ (l.stepButtons[(size_t) k], R (15, 15 + 40 * k, 65, 30)) << "step " << k + 1;
}

TEST (WizardLayout, ActionButtonsAre100WideForEvenAnd101ForOddMiddleWidths)
{
    // middle width m = W - 20 - 400
    EXPECT_EQ (WizardLayout::compute (1440, 875).actionButtons.getWidth(), 100);   // m = 1020
    EXPECT_EQ (WizardLayout::compute (1441, 875).actionButtons.getWidth(), 101);   // m = 1021
    EXPECT_EQ (WizardLayout::compute (1441, 875).actionButtons.getX(), 470);
}

TEST (WizardLayout, WideMiddleKeepsTheCentreSquareSquare)
{
    for (int width : { 1600, 2200, 3000 })
    {
        const auto l = WizardLayout::compute (width, 875);
        EXPECT_GT (l.sideMargin, 100);
        EXPECT_LE (l.centreSquare.getWidth() - l.centreSquare.getHeight(), 1) << width;
        EXPECT_GE (l.centreSquare.getWidth(), l.centreSquare.getHeight()) << width;
    }
}

TEST (WizardLayout, NarrowMiddleKeepsMargin100AndGivesATallRectangle)
{
    const auto l = WizardLayout::compute (900, 1200);   // m = 480, B = 1105
    EXPECT_EQ (l.sideMargin, 100);
    EXPECT_EQ (l.centreSquare, R (110, 85, 280, 1005));
    EXPECT_EQ (l.progressBars, R (110, 1090, 280, 50));
    EXPECT_EQ (l.rotationSpeedBar, R (60, 125, 50, 925));
}

TEST (WizardLayout, WizardNarrowerThan420GivesEverythingToTheRightPanel)
{
    for (auto [w, h] : { std::pair { 419, 600 }, { 300, 300 }, { 20, 20 }, { 0, 0 }, { 5, 3 } })
    {
        const auto l = WizardLayout::compute (w, h);
        const int inner = std::max (0, w - 20);
        EXPECT_EQ (l.rightPanel.getWidth(), inner);
        EXPECT_EQ (l.actionButtons.getWidth(), 0);
        EXPECT_EQ (l.progressBars.getWidth(), 0);
        EXPECT_EQ (l.centreSquare.getWidth(), 0);
        EXPECT_EQ (l.illustrations.getWidth(), 0);
        for (auto r : { l.caption, l.rightPanel, l.actionButtons, l.illustrations, l.progressBars, l.centreSquare,
                        l.rotationSpeedBar })
        {
            EXPECT_GE (r.getWidth(), 0);
            EXPECT_GE (r.getHeight(), 0);
        }
    }
}

TEST (WizardLayout, LowCentreSquareShrinksTheRotationBarInsets)
{
    // H = 280: h = 260, t = 75, B = 185, s = 100, square height 85.
    auto l = WizardLayout::compute (1440, 280);
    EXPECT_EQ (l.centreSquare.getHeight(), 85);
    EXPECT_EQ (l.rotationSpeedBar.getY(), 125);
    EXPECT_EQ (l.rotationSpeedBar.getHeight(), 5);

    // H = 240: square height 45; the top inset takes 40, the bottom only the 5 left.
    l = WizardLayout::compute (1440, 240);
    EXPECT_EQ (l.centreSquare.getHeight(), 45);
    EXPECT_EQ (l.rotationSpeedBar.getY(), 125);
    EXPECT_EQ (l.rotationSpeedBar.getHeight(), 0);
}
