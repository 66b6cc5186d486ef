// The demo: the same application with a simulated sound card and a simulated head tracker built in,
// so that all six steps can be walked through without the hardware.
#include "OrmalixApplication.h"

#include "audio/AudioGlobals.h"
#include "tools/sim/SimulatedSoundCard.h"
#include "tools/sim/TrackerSimulator.h"

#include <atomic>
#include <csignal>
#include <memory>
#include <unistd.h>

namespace
{
// Ctrl-C or a kill should still remove the simulators and their folder, so a signal only raises
// this flag and the message thread quits in the ordinary way.
std::atomic<bool> quitSignalled { false };

extern "C" void demoQuitSignalHandler (int) { quitSignalled.store (true, std::memory_order_release); }
} // namespace

class OrmalixDemoApplication : public OrmalixApplication,
                               private juce::Timer
{
public:
    const juce::String getApplicationName() override { return "OrmalixDemo"; }

    void initialise (const juce::String& commandLine) override
    {
        // The card must be in the shared manager before the wizard's device selector sees it.
        auto card = ormalix::sim::SimulatedSoundCard::install (GetSharedAudioDeviceManager());
        card.setRoom ({});   // a dry room with a clear chirp: the audio check passes
        card.setSpeed (1.0);

        // The tracker's pseudo-terminal is linked into a private folder, which the wizard
        // searches instead of /dev, so that no real serial device is probed.
        deviceFolder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                           .getChildFile ("OrmalixDemo-devices-" + juce::String ((int) getpid()));
        deviceFolder.deleteRecursively();
        deviceFolder.createDirectory();

        ormalix::sim::TrackerSimulatorOptions options;
        options.motion = ormalix::sim::motions::allDirections();
        options.distortion = ormalix::sim::MagnetometerDistortion {};
        options.noise = 1.0;
        tracker = std::make_unique<ormalix::sim::TrackerSimulator> (options);
        if (! tracker->start (deviceFolder))
            std::fprintf (stderr, "OrmalixDemo: the simulated head tracker could not be started\n");

        OrmalixApplication::initialise (commandLine);

        if (auto* w = wizard())
        {
            w->serialDeviceFolder = deviceFolder.getFullPathName();
            // Only the simulator is in the folder; a short probe keeps the step clicks quick.
            w->serialProbeWaitMs = 300;
        }

        std::signal (SIGINT, demoQuitSignalHandler);
        std::signal (SIGTERM, demoQuitSignalHandler);
        startTimer (100);
    }

    void shutdown() override
    {
        stopTimer();

        // The wizard goes first: it closes the serial port and leaves the audio callbacks.
        OrmalixApplication::shutdown();
        GetSharedAudioDeviceManager().closeAudioDevice();

        if (tracker != nullptr)
            tracker->stop();
        tracker = nullptr;

        if (deviceFolder != juce::File())
            deviceFolder.deleteRecursively();
    }

private:
    void timerCallback() override
    {
        if (quitSignalled.exchange (false, std::memory_order_acq_rel))
            systemRequestedQuit();
    }

    std::unique_ptr<ormalix::sim::TrackerSimulator> tracker;
    juce::File deviceFolder;
};

START_JUCE_APPLICATION (OrmalixDemoApplication)
