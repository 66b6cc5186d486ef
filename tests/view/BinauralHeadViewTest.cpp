#include <gtest/gtest.h>

#include "view/HeadViewMath.h"
#include "view/HeadViewHarness.h"

#include <cstring>

using ormalix::test::HeadViewHarness;
using namespace juce::gl;

namespace
{
struct Frame
{
    std::vector<uint8_t> rgba;
    int width = 0, height = 0;

    const uint8_t* at (int x, int y) const { return rgba.data() + (size_t) ((y * width + x) * 4); }

    // Only a dot facing the light is brighter than half grey; the head never is.
    bool isDot (int x, int y) const
    {
        const auto* p = at (x, y);
        return std::min ({ p[0], p[1], p[2] }) > 200;
    }

    bool isBackground (int x, int y, juce::Colour background) const
    {
        const auto* p = at (x, y);
        return std::abs (p[0] - background.getRed()) <= 2 && std::abs (p[1] - background.getGreen()) <= 2
            && std::abs (p[2] - background.getBlue()) <= 2;
    }

    std::vector<juce::Point<int>> dotPixels() const
    {
        std::vector<juce::Point<int>> result;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (isDot (x, y))
                    result.emplace_back (x, y);
        return result;
    }
};

struct Angles
{
    float z, x, y;
};

class HeadViewRendering : public ::testing::Test
{
protected:
    void SetUp() override
    {
        harness = std::make_unique<HeadViewHarness>();
        if (! harness->start())
            GTEST_SKIP() << "no OpenGL context; run under xvfb-run -s \"+extension GLX\" with LIBGL_ALWAYS_SOFTWARE=1";

        // Frames are drawn by the tests themselves, on the rendering thread.
        harness->view->openGLContext.setContinuousRepainting (false);
    }

    void TearDown() override { harness.reset(); }

    BinauralHeadView& view() { return *harness->view; }

    void setState (Angles a, int dotCount, bool dotPending)
    {
        view().angleZ.store (a.z, std::memory_order_release);
        view().angleX.store (a.x, std::memory_order_release);
        view().angleY.store (a.y, std::memory_order_release);
        view().dotCount.store (dotCount, std::memory_order_release);
        view().dotPending.store (dotPending, std::memory_order_release);
    }

    // Draws one frame on the rendering thread and reads it back.
    Frame drawFrame()
    {
        Frame f;
        f.width = harness->frameWidth();
        f.height = harness->frameHeight();
        view().renderOpenGL();
        f.rgba = harness->readFrame();
        return f;
    }

    void onGlThread (std::function<void()> fn) { ASSERT_TRUE (harness->onGlThread (std::move (fn))); }

    juce::Colour background() const
    {
        return harness->view->getLookAndFeel().findColour (juce::ResizableWindow::backgroundColourId);
    }

    std::unique_ptr<HeadViewHarness> harness;
};
} // namespace

TEST_F (HeadViewRendering, HeadCoversTheCentreAndNoPointIsDrawnWithoutDots)
{
    const auto bg = background();

    for (const Angles angles : { Angles { 0, 0, 180 }, Angles { 0, 0, 0 }, Angles { 20, -15, 90 } })
    {
        SCOPED_TRACE (juce::String (angles.z) + " " + juce::String (angles.x) + " " + juce::String (angles.y));
        Frame frame;
        GLenum error = GL_NO_ERROR;
        onGlThread ([&]
                    {
                        // A pending flag without dots draws nothing either.
                        setState (angles, 0, true);
                        frame = drawFrame();
                        error = glGetError();
                    });

        EXPECT_EQ (error, (GLenum) GL_NO_ERROR);
        EXPECT_TRUE (frame.dotPixels().empty());
        EXPECT_TRUE (frame.isBackground (2, 2, bg));   // clear colour of the look and feel

        const int cx = frame.width / 2, cy = frame.height / 2;
        EXPECT_FALSE (frame.isBackground (cx, cy, bg));

        // The head (about 0.9 units at 5 units from the eye) fills about half of the width.
        int left = frame.width, right = -1;
        for (int x = 0; x < frame.width; ++x)
            if (! frame.isBackground (x, cy, bg))
            {
                left = std::min (left, x);
                right = std::max (right, x);
            }
        const double span = (right - left + 1) / (double) frame.width;
        EXPECT_GT (span, 0.35);
        EXPECT_LT (span, 0.62);
    }
}

TEST_F (HeadViewRendering, TheFirstDotIsOnePointAtTheProjectionOfZ075WhateverTheAngles)
{
    // (0, 0, 0.75) lies on the view axis, so it projects to the middle of the frame.
    for (const Angles angles : { Angles { 0, 0, 180 }, Angles { 0, 0, 90 }, Angles { 35, -20, 250 }, Angles { -70, 45, 10 } })
    {
        SCOPED_TRACE (juce::String (angles.z) + " " + juce::String (angles.x) + " " + juce::String (angles.y));
        Frame adding, showing;
        onGlThread ([&]
                    {
                        setState (angles, 1, true);
                        adding = drawFrame();
                        showing = drawFrame();
                        setState ({}, 0, false);
                    });

        for (const auto* frame : { &adding, &showing })
        {
            const auto pixels = frame->dotPixels();
            ASSERT_FALSE (pixels.empty());

            const juce::Point<int> centre (frame->width / 2, frame->height / 2);
            for (const auto& p : pixels)
                EXPECT_LE (p.getDistanceFrom (centre), 8.0f) << p.x << ", " << p.y;

            bool nearCentre = false;
            for (int dy = -1; dy <= 0; ++dy)
                for (int dx = -1; dx <= 0; ++dx)
                    nearCentre |= frame->isDot (centre.x + dx, centre.y + dy);
            EXPECT_TRUE (nearCentre);
        }

        // Once shown, a dot is 10 pixels across.
        EXPECT_GE (showing.dotPixels().size(), 60u);
        EXPECT_LE (showing.dotPixels().size(), 121u);
    }
}

TEST_F (HeadViewRendering, AFrameWithAPendingDotWritesExactlyOneVertexAndTheNextWritesNothing)
{
    std::vector<uint8_t> before, afterAdding, afterShowing;
    bool pendingAfterwards = true;
    const Angles angles { 10, 20, 30 };

    onGlThread ([&]
                {
                    before = harness->readDotBuffer();
                    setState (angles, 3, true);
                    view().renderOpenGL();
                    pendingAfterwards = view().dotPending.load();
                    afterAdding = harness->readDotBuffer();
                    view().renderOpenGL();
                    afterShowing = harness->readDotBuffer();
                    setState ({}, 0, false);
                });

    EXPECT_FALSE (pendingAfterwards);
    ASSERT_EQ (before.size(), afterAdding.size());
    ASSERT_EQ (before.size(), 5363u * 48u);

    size_t firstChange = before.size(), lastChange = 0;
    for (size_t i = 0; i < before.size(); ++i)
        if (before[i] != afterAdding[i])
        {
            firstChange = std::min (firstChange, i);
            lastChange = i;
        }

    // Dot 3 occupies vertex slot 2.
    EXPECT_GE (firstChange, 2u * 48u);
    EXPECT_LT (lastChange, 3u * 48u);

    const auto expected = BinauralHeadView::makeDotVertex (headview::getModelMatrix (angles.z, angles.x, angles.y));
    EXPECT_EQ (std::memcmp (afterAdding.data() + 2 * 48, &expected, 48), 0);
    EXPECT_EQ (afterShowing, afterAdding);
}

TEST_F (HeadViewRendering, DotsStopAtTheEndOfTheBuffer)
{
    int capacity = 0;
    std::vector<uint8_t> full, beyond;
    GLenum error = GL_NO_ERROR;
    bool pendingAfterwards = true;

    onGlThread ([&]
                {
                    capacity = view().dots->buffers.getFirst()->numVertices;
                    setState ({ 0, 0, 45 }, capacity, true);
                    view().renderOpenGL();
                    full = harness->readDotBuffer();

                    setState ({ 0, 0, 90 }, capacity + 1, true);
                    view().renderOpenGL();
                    pendingAfterwards = view().dotPending.load();
                    view().renderOpenGL();
                    beyond = harness->readDotBuffer();
                    error = glGetError();
                    setState ({}, 0, false);
                });

    EXPECT_EQ (capacity, 5363);
    const auto last = BinauralHeadView::makeDotVertex (headview::getModelMatrix (0, 0, 45));
    ASSERT_EQ (full.size(), (size_t) capacity * 48);
    EXPECT_EQ (std::memcmp (full.data() + (size_t) (capacity - 1) * 48, &last, 48), 0);
    EXPECT_EQ (beyond, full);
    EXPECT_FALSE (pendingAfterwards);
    EXPECT_EQ (error, (GLenum) GL_NO_ERROR);
}

TEST_F (HeadViewRendering, WithoutShaderOrDotBuffersAFrameUsesNeither)
{
    const auto bg = background();
    Frame withoutShader, withoutDots;
    GLenum error = GL_NO_ERROR;

    onGlThread ([&]
                {
                    setState ({ 0, 0, 0 }, 5, true);

                    auto shader = std::move (view().shader);
                    withoutShader = drawFrame();
                    view().shader = std::move (shader);

                    // As after a model that did not load: the dots have no buffers.
                    view().dots->buffers.clear();
                    view().dotPending.store (true);
                    withoutDots = drawFrame();
                    error = glGetError();
                    setState ({}, 0, false);
                });

    EXPECT_EQ (error, (GLenum) GL_NO_ERROR);
    for (int y = 0; y < withoutShader.height; y += 17)
        for (int x = 0; x < withoutShader.width; x += 17)
            ASSERT_TRUE (withoutShader.isBackground (x, y, bg)) << x << ", " << y;

    EXPECT_FALSE (withoutDots.isBackground (withoutDots.width / 2, withoutDots.height / 2, bg));
    EXPECT_TRUE (withoutDots.dotPixels().empty());
}

TEST_F (HeadViewRendering, HidingReleasesTheGlObjectsAndShowingBuildsThemAgain)
{
    view().dotCount.store (7, std::memory_order_release);

    view().setVisible (false);
    HeadViewHarness::pumpMessages (200);

    // Detached: the rendering thread has stopped, so its members can be read here.
    EXPECT_EQ (view().shader, nullptr);
    EXPECT_EQ (view().shape, nullptr);
    EXPECT_EQ (view().dots, nullptr);
    EXPECT_EQ (view().attributes, nullptr);
    EXPECT_EQ (view().uniforms, nullptr);

    view().setVisible (true);
    ASSERT_TRUE (harness->start());
    EXPECT_EQ (view().dotCount.load(), 7);

    bool complete = false;
    onGlThread ([&] { complete = view().shape->buffers.size() == 1 && view().dots->buffers.size() == 1
                                 && view().attributes->position != nullptr && view().uniforms->modelMatrix != nullptr; });
    EXPECT_TRUE (complete);
}

TEST_F (HeadViewRendering, LooksUpOnlyTheNamesTheShadersDeclare)
{
    bool asExpected = false;
    onGlThread ([&]
                {
                    const auto& a = *view().attributes;
                    const auto& u = *view().uniforms;
                    asExpected = a.position != nullptr && a.normal != nullptr && a.sourceColour == nullptr
                              && a.textureCoordIn == nullptr && u.projectionMatrix != nullptr && u.viewMatrix != nullptr
                              && u.modelMatrix != nullptr && u.lightPosition != nullptr
                              && view().shape->buffers.getFirst()->numIndices == 29184;
                });
    EXPECT_TRUE (asExpected);
}

// Not a check: writes the pictures of the head view for the documentation when
// ORMALIX_SCREENSHOT_DIR names a folder.
TEST_F (HeadViewRendering, Screenshots)
{
    const auto folderName = juce::SystemStats::getEnvironmentVariable ("ORMALIX_SCREENSHOT_DIR", {});
    if (folderName.isEmpty())
        GTEST_SKIP() << "set ORMALIX_SCREENSHOT_DIR to write the pictures";

    const juce::File folder (folderName);
    ASSERT_TRUE (folder.createDirectory());

    Frame atRest, face;
    onGlThread ([&]
                {
                    // The wizard's rest position: bridge angles 0, so angleY = 180.
                    setState ({ 0, 0, 180 }, 0, false);
                    atRest = drawFrame();

                    // The user turns once round, a dot every few degrees, then faces the viewer
                    // with the head a little turned and bent forward.
                    int dots = 0;
                    for (int step = 0; step < 72; ++step)
                    {
                        setState ({ 0, 0, 180.0f - 5.0f * (float) step }, ++dots, true);
                        view().renderOpenGL();
                    }
                    setState ({ 0, 0, 0 }, dots, false);
                    view().renderOpenGL();
                    setState ({ 4, 12, 28 }, dots, false);
                    face = drawFrame();
                    setState ({}, 0, false);
                });

    for (auto [frame, name] : { std::pair { &atRest, "headview-rest.png" }, std::pair { &face, "headview-face-dots.png" } })
    {
        juce::FileOutputStream out (folder.getChildFile (name));
        out.setPosition (0);
        out.truncate();
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (HeadViewHarness::toImage (frame->rgba, frame->width, frame->height), out));
    }
}
