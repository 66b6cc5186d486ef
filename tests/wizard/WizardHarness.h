#pragma once

#include "audio/AudioGlobals.h"
#include "headtracker/TrackerGlobals.h"
#include "support/MessagePump.h"
#include "tools/sim/SimulatedSoundCard.h"
#include "tools/sim/TrackerSimulator.h"
#include "wizard/MainComponent.h"

#include <memory>

namespace ormalix::test
{
// The real wizard with its devices at the boundaries they really use: the simulated head tracker
// on a pseudo-terminal linked into a private folder, the simulated card in the shared audio
// device manager, and a clock the test moves by hand.
struct WizardHarness
{
    juce::File serialFolder = juce::File::createTempFile ("ormalix-serial");
    std::unique_ptr<ormalix::sim::TrackerSimulator> tracker;
    std::unique_ptr<ormalix::sim::SimulatedSoundCard> card;
    uint32_t now = 5000000;
    std::unique_ptr<MainComponent> wizard;

    explicit WizardHarness (bool withTracker, bool withCard, bool fakeClock = true)
    {
        numImuData = 0;
        serialFolder.createDirectory();

        // Without a card the simulated one is installed unplugged: a card that an earlier test
        // of this process opened stays in the shared manager otherwise.
        card = std::make_unique<ormalix::sim::SimulatedSoundCard> (
            ormalix::sim::SimulatedSoundCard::install (GetSharedAudioDeviceManager()));
        card->setPluggedIn (withCard);
        if (! withCard)
            GetSharedAudioDeviceManager().closeAudioDevice();

        if (withTracker)
        {
            ormalix::sim::TrackerSimulatorOptions options;
            options.motion = ormalix::sim::motions::allDirections();
            tracker = std::make_unique<ormalix::sim::TrackerSimulator> (options);
            tracker->start (serialFolder);
        }

        wizard = std::make_unique<MainComponent>();
        wizard->serialDeviceFolder = serialFolder.getFullPathName();
        wizard->serialProbeWaitMs = 300;
        if (fakeClock)
        {
            // The test gives every tick itself: a real tick in between would decide the same posted
            // click a second time.
            wizard->clock.source = [this] { return now; };
            wizard->stopTimer();
        }
        wizard->setSize (1440, 875);
    }

    ~WizardHarness()
    {
        wizard.reset();
        pumpPendingMessages();
        if (tracker != nullptr)
            tracker->stop();
        serialFolder.deleteRecursively();
    }

    // A click as the user gives it, handled at once.
    void click (juce::Button& button)
    {
        button.triggerClick();
        settle();
    }

    // One timer tick after `ms` milliseconds, and the clicks it posted.
    void tick (uint32_t ms = 50)
    {
        now += ms;
        wizard->timerCallback();
        settle();
    }

    // Handles the clicks posted so far (and what they post in turn).
    static void settle()
    {
        pumpPendingMessages();
        pumpMessagesFor (5);
    }

    juce::File documents() const { return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory); }
};
} // namespace ormalix::test
