#include <gtest/gtest.h>

#include "view/BinauralHeadView.h"
#include "view/HeadViewMath.h"

namespace
{
void expectVector (juce::Vector3D<float> v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR (v.x, x, tolerance);
    EXPECT_NEAR (v.y, y, tolerance);
    EXPECT_NEAR (v.z, z, tolerance);
}
} // namespace

TEST (HeadViewMath, AllAnglesZeroGiveTheIdentity)
{
    const auto m = headview::getModelMatrix (0.0f, 0.0f, 0.0f);
    const juce::Matrix3D<float> identity;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ (m.mat[i], identity.mat[i]) << i;
}

TEST (HeadViewMath, AngleY180TurnsTheModelRound)
{
    const auto m = headview::getModelMatrix (0.0f, 0.0f, 180.0f);
    expectVector (headview::transform (m, 0.0f, 0.0f, 1.0f, 0.0f), 0.0f, 0.0f, -1.0f);   // face away from the viewer
    expectVector (headview::transform (m, 1.0f, 0.0f, 0.0f, 0.0f), -1.0f, 0.0f, 0.0f);
    expectVector (headview::transform (m, 0.0f, 1.0f, 0.0f, 0.0f), 0.0f, 1.0f, 0.0f);    // still upright
}

TEST (HeadViewMath, ModelMatrixTurnsAboutZThenXThenY)
{
    // Each angle alone turns about its own axis, in the right-handed sense.
    expectVector (headview::transform (headview::getModelMatrix (90.0f, 0.0f, 0.0f), 1.0f, 0.0f, 0.0f, 0.0f), 0.0f, 1.0f, 0.0f);
    expectVector (headview::transform (headview::getModelMatrix (0.0f, 90.0f, 0.0f), 0.0f, 1.0f, 0.0f, 0.0f), 0.0f, 0.0f, 1.0f);
    expectVector (headview::transform (headview::getModelMatrix (0.0f, 0.0f, 90.0f), 0.0f, 0.0f, 1.0f, 0.0f), 1.0f, 0.0f, 0.0f);

    // Combined: m9 = -sin(angleX), m8 = cos(angleX) sin(angleY), no translation.
    const auto m = headview::getModelMatrix (30.0f, 20.0f, 40.0f);
    EXPECT_NEAR (m.mat[9], -std::sin (20.0f * headview::degreesToRadians), 1e-6f);
    EXPECT_NEAR (m.mat[8], std::cos (20.0f * headview::degreesToRadians) * std::sin (40.0f * headview::degreesToRadians), 1e-6f);
    EXPECT_EQ (m.mat[12], 0.0f);
    EXPECT_EQ (m.mat[15], 1.0f);
}

TEST (HeadViewMath, ProjectionOfAViewTwiceAsHighAsWide)
{
    EXPECT_FLOAT_EQ (headview::frustumTop (340.0f, 680.0f), 4.0f / 3.0f);

    const auto p = headview::getProjectionMatrix (340.0f, 680.0f);
    EXPECT_FLOAT_EQ (p.mat[0], 6.0f);
    EXPECT_FLOAT_EQ (p.mat[5], 3.0f);
    EXPECT_FLOAT_EQ (p.mat[10], -39.0f / 31.0f);
    EXPECT_FLOAT_EQ (p.mat[11], -1.0f);
    EXPECT_FLOAT_EQ (p.mat[14], -280.0f / 31.0f);
    for (int i : { 1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15 })
        EXPECT_EQ (p.mat[i], 0.0f) << i;

    // A square view: t = 2/3, so m5 = 6 as well.
    EXPECT_FLOAT_EQ (headview::getProjectionMatrix (680.0f, 680.0f).mat[5], 6.0f);

    // A view without width still gives finite numbers.
    EXPECT_TRUE (std::isfinite (headview::getProjectionMatrix (0.0f, 680.0f).mat[5]));
}

TEST (HeadViewMath, ViewMatrixMovesTheSceneFiveUnitsAway)
{
    const auto v = headview::getViewMatrix();
    expectVector (headview::transform (v, 1.0f, 2.0f, 3.0f, 1.0f), 1.0f, 2.0f, -2.0f);
}

TEST (HeadViewMath, ANewDotFacesTheViewerWhateverTheAngles)
{
    const float angles[][3] = { { 0, 0, 0 }, { 0, 0, 90 }, { 0, 0, 180 }, { 10, -35, 200 }, { -80, 60, -45 }, { 179, 89, 33 } };
    for (const auto& a : angles)
    {
        const auto m = headview::getModelMatrix (a[0], a[1], a[2]);
        const auto d = headview::getDotDirection (m);
        SCOPED_TRACE (juce::String (a[0]) + " " + juce::String (a[1]) + " " + juce::String (a[2]));
        EXPECT_NEAR (d.x * d.x + d.y * d.y + d.z * d.z, 1.0f, 1e-5f);
        expectVector (headview::transform (m, 0.75f * d.x, 0.75f * d.y, 0.75f * d.z, 1.0f), 0.0f, 0.0f, 0.75f);
    }
}

TEST (HeadViewMath, ADotAddedAtAngleY90StaysAtMinusXOfTheHead)
{
    const auto turned = headview::getModelMatrix (0.0f, 0.0f, 90.0f);
    const auto dot = BinauralHeadView::makeDotVertex (turned);

    EXPECT_NEAR (dot.position.x, -0.75f, 1e-6f);
    EXPECT_NEAR (dot.position.y, 0.0f, 1e-6f);
    EXPECT_NEAR (dot.position.z, 0.0f, 1e-6f);
    EXPECT_EQ (dot.normal.x, dot.position.x);
    EXPECT_EQ (dot.normal.z, dot.position.z);
    EXPECT_FLOAT_EQ (dot.colour[1], 128.0f / 255.0f);
    EXPECT_EQ (dot.colour[0], 0.0f);
    EXPECT_EQ (dot.colour[3], 1.0f);
    EXPECT_EQ (dot.textureCoord.u, 0.5f);

    // Drawn through the frame's own matrix it is in front of the head, on the view axis ...
    expectVector (headview::transform (turned, dot.position.x, dot.position.y, dot.position.z, 1.0f), 0.0f, 0.0f, 0.75f);
    // ... and once the head is back at 0 it is where the head's -x side is.
    expectVector (headview::transform (headview::getModelMatrix (0, 0, 0), dot.position.x, dot.position.y, dot.position.z, 1.0f),
                  -0.75f, 0.0f, 0.0f);
}
