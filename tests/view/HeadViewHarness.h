#pragma once

#include "view/BinauralHeadView.h"
#include "support/XvfbWindowAtoms.h"

#include <juce_opengl/juce_opengl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace juce
{
// The message loop's single step (JUCE's own; modal loops are switched off in this build).
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
}

namespace ormalix::test
{
// A BinauralHeadView in a window of its own, with a way to run code on its rendering thread
// while the message loop keeps running.
class HeadViewHarness
{
public:
    explicit HeadViewHarness (int width = 680, int height = 680)
    {
        view = std::make_unique<BinauralHeadView>();
        view->setBounds (0, 0, width, height);

        // Without a display a window cannot be made; start() then reports no context.
        if (windowManagerAtoms.available)
        {
            view->addToDesktop (0);
            view->setVisible (true);
        }
    }

    ~HeadViewHarness()
    {
        view.reset();
        pumpMessages (50);
    }

    // Runs fn on the rendering thread with the context current. False when the context did
    // not come up within the time given.
    bool onGlThread (std::function<void()> fn, int timeoutMs = 20000)
    {
        struct Job
        {
            std::function<void()> fn;
            juce::WaitableEvent done;
        };

        auto job = std::make_shared<Job>();
        job->fn = std::move (fn);

        if (! view->openGLContext.isAttached())
            return false;

        view->openGLContext.executeOnGLThread ([job] (juce::OpenGLContext&)
                                               {
                                                   job->fn();
                                                   job->done.signal();
                                               },
                                               false);

        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
        while (! job->done.wait (0))
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;
            pumpMessages (5);
        }
        return true;
    }

    // Waits for the context and the head's buffers; false when there is no usable OpenGL.
    bool start()
    {
        if (! windowManagerAtoms.available)
            return false;

        auto ready = std::make_shared<std::atomic<bool>> (false);
        auto* v = view.get();
        for (int attempt = 0; attempt < 20 && ! ready->load(); ++attempt)
        {
            pumpMessages (20);
            if (! onGlThread ([ready, v] { ready->store (v->shader != nullptr && v->shape != nullptr); }))
                return false;
        }
        return ready->load();
    }

    static void pumpMessages (int milliseconds)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
        do
        {
            while (juce::dispatchNextMessageOnSystemQueue (true)) {}
            juce::Thread::sleep (1);
        } while (juce::Time::getMillisecondCounter() < end);
    }

    // The frame just drawn (call on the rendering thread), top row first, RGBA.
    std::vector<uint8_t> readFrame() const
    {
        using namespace juce::gl;
        const int w = frameWidth(), h = frameHeight();
        std::vector<uint8_t> bottomUp ((size_t) (w * h * 4));
        glPixelStorei (GL_PACK_ALIGNMENT, 1);
        glReadPixels (0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());

        std::vector<uint8_t> topDown (bottomUp.size());
        for (int y = 0; y < h; ++y)
            std::copy_n (bottomUp.data() + (size_t) ((h - 1 - y) * w * 4), (size_t) w * 4, topDown.data() + (size_t) (y * w * 4));
        return topDown;
    }

    int frameWidth() const { return juce::roundToInt (view->openGLContext.getRenderingScale() * view->getWidth()); }
    int frameHeight() const { return juce::roundToInt (view->openGLContext.getRenderingScale() * view->getHeight()); }

    // The whole dot vertex buffer (call on the rendering thread).
    std::vector<uint8_t> readDotBuffer() const
    {
        using namespace juce::gl;
        const auto& buffers = *view->dots->buffers.getFirst();
        std::vector<uint8_t> bytes ((size_t) buffers.numVertices * sizeof (BinauralHeadView::GpuVertex));
        glBindBuffer (GL_ARRAY_BUFFER, buffers.vertexBuffer);
        glGetBufferSubData (GL_ARRAY_BUFFER, 0, (GLsizeiptr) bytes.size(), bytes.data());
        glBindBuffer (GL_ARRAY_BUFFER, 0);
        return bytes;
    }

    static juce::Image toImage (const std::vector<uint8_t>& rgba, int w, int h)
    {
        juce::Image image (juce::Image::RGB, w, h, false);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
            {
                const auto* p = rgba.data() + (size_t) ((y * w + x) * 4);
                image.setPixelAt (x, y, juce::Colour (p[0], p[1], p[2]));
            }
        return image;
    }

    std::unique_ptr<BinauralHeadView> view;
};
} // namespace ormalix::test
