#pragma once

#include <juce_events/juce_events.h>

#include <functional>

namespace juce
{
// JUCE's own one-step dispatcher (juce_linux_Messaging.cpp); modal loops are off in this build.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

namespace ormalix::test
{
// Runs the message loop (timers and posted clicks included) until `done` holds or the time is up.
inline bool pumpMessagesUntil (const std::function<bool()>& done, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! done())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;
        if (! juce::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (1);
    }
    return true;
}

inline void pumpMessagesFor (int ms)
{
    pumpMessagesUntil ([] { return false; }, ms);
}

// Handles what is waiting now (posted clicks, repaints) without waiting for more.
inline void pumpPendingMessages()
{
    for (int i = 0; i < 10000 && juce::dispatchNextMessageOnSystemQueue (true); ++i)
    {
    }
}
} // namespace ormalix::test
