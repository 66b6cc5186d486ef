#include "SimulatedSoundCard.h"

#include "audio/RescanningDeviceType.h"

namespace ormalix::sim
{
struct SimulatedCardState
{
    mutable std::mutex lock;
    SimulatedRoomSettings room;
    SimulatedCardSettings card;
    std::atomic<int> roomVersion { 0 };
    std::atomic<bool> pluggedIn { true };
    std::atomic<double> speed { 1.0 };
    std::atomic<int64_t> blocks { 0 };

    SimulatedRoomSettings getRoom() const
    {
        std::lock_guard<std::mutex> g (lock);
        return room;
    }

    SimulatedCardSettings getCard() const
    {
        std::lock_guard<std::mutex> g (lock);
        return card;
    }
};

namespace
{
class SimulatedDevice : public juce::AudioIODevice,
                        private juce::Thread
{
public:
    SimulatedDevice (const juce::String& deviceName, std::shared_ptr<SimulatedCardState> s)
        : juce::AudioIODevice (deviceName, SimulatedSoundCard::typeName),
          juce::Thread ("Simulated Sound Card"),
          state (std::move (s)),
          card (state->getCard())
    {
    }

    ~SimulatedDevice() override { close(); }

    juce::StringArray getOutputChannelNames() override { return {}; }

    juce::StringArray getInputChannelNames() override
    {
        juce::StringArray names;
        for (int i = 0; i < card.numInputs; ++i)
            names.add (i == 0 ? "Left" : i == 1 ? "Right" : "Input " + juce::String (i + 1));
        return names;
    }

    juce::Array<double> getAvailableSampleRates() override { return card.sampleRates; }
    juce::Array<int> getAvailableBufferSizes() override { return card.bufferSizes; }
    int getDefaultBufferSize() override { return card.bufferSizes.isEmpty() ? 2048 : card.bufferSizes.getLast(); }

    juce::String open (const juce::BigInteger& inputChannels, const juce::BigInteger& outputChannels,
                       double sampleRate, int bufferSizeSamples) override
    {
        close();

        if (! state->pluggedIn.load (std::memory_order_acquire))
            return lastError = "The simulated sound card is not plugged in";

        rate = card.sampleRates.contains (sampleRate) ? sampleRate : card.sampleRates.getFirst();
        blockSize = card.bufferSizes.contains (bufferSizeSamples) ? bufferSizeSamples : getDefaultBufferSize();

        activeInputs.clear();
        for (int i = 0; i < card.numInputs; ++i)
            if (inputChannels[i])
                activeInputs.setBit (i);
        activeOutputs.clear();
        juce::ignoreUnused (outputChannels);

        const int numActive = activeInputs.countNumberOfSetBits();
        inputBuffer.setSize (juce::jmax (1, numActive), blockSize);
        inputPointers.resize ((size_t) juce::jmax (1, numActive));

        room = std::make_unique<SimulatedRoom> (state->getRoom(), rate);
        roomVersion = state->roomVersion.load (std::memory_order_acquire);
        scratch.setSize (2, blockSize);

        isOpenFlag = true;
        lastError = {};
        return {};
    }

    void close() override
    {
        stop();
        isOpenFlag = false;
    }

    bool isOpen() override { return isOpenFlag; }

    void start (juce::AudioIODeviceCallback* newCallback) override
    {
        if (! isOpenFlag || newCallback == nullptr)
            return;

        stop();
        newCallback->audioDeviceAboutToStart (this);
        {
            const juce::ScopedLock sl (callbackLock);
            callback = newCallback;
        }
        startThread (juce::Thread::Priority::high);
    }

    void stop() override
    {
        juce::AudioIODeviceCallback* old = nullptr;
        {
            const juce::ScopedLock sl (callbackLock);
            old = callback;
            callback = nullptr;
        }
        stopThread (2000);
        if (old != nullptr)
            old->audioDeviceStopped();
    }

    bool isPlaying() override
    {
        const juce::ScopedLock sl (callbackLock);
        return callback != nullptr;
    }

    juce::String getLastError() override { return lastError; }
    int getCurrentBufferSizeSamples() override { return blockSize; }
    double getCurrentSampleRate() override { return rate; }
    int getCurrentBitDepth() override { return 24; }
    juce::BigInteger getActiveOutputChannels() const override { return activeOutputs; }
    juce::BigInteger getActiveInputChannels() const override { return activeInputs; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

private:
    void run() override
    {
        auto next = juce::Time::getMillisecondCounterHiRes();

        while (! threadShouldExit())
        {
            if (! state->pluggedIn.load (std::memory_order_acquire))
            {
                wait (10);
                next = juce::Time::getMillisecondCounterHiRes();
                continue;
            }

            const int version = state->roomVersion.load (std::memory_order_acquire);
            if (version != roomVersion)
            {
                const auto position = room->getPosition();
                room = std::make_unique<SimulatedRoom> (state->getRoom(), rate);
                room->setPosition (position);
                roomVersion = version;
            }

            room->render (scratch.getWritePointer (0), scratch.getWritePointer (1), blockSize);

            int k = 0;
            for (int i = 0; i < card.numInputs; ++i)
            {
                if (! activeInputs[i])
                    continue;
                auto* dest = inputBuffer.getWritePointer (k);
                if (i < 2)
                    juce::FloatVectorOperations::copy (dest, scratch.getReadPointer (i), blockSize);
                else
                    juce::FloatVectorOperations::fill (dest, 0.01f * (float) i, blockSize);
                inputPointers[(size_t) k] = dest;
                ++k;
            }

            {
                const juce::ScopedLock sl (callbackLock);
                if (callback != nullptr)
                {
                    callback->audioDeviceIOCallbackWithContext (inputPointers.data(), k, nullptr, 0, blockSize, {});
                    state->blocks.fetch_add (1, std::memory_order_acq_rel);
                }
            }

            const double speed = state->speed.load (std::memory_order_acquire);
            if (speed > 0.0)
            {
                next += 1000.0 * blockSize / rate / speed;
                const auto now = juce::Time::getMillisecondCounterHiRes();
                if (next > now)
                    wait ((int) std::ceil (next - now));
                else if (now - next > 500.0)
                    next = now; // fell far behind: do not try to catch up in a burst
            }
            else
            {
                juce::Thread::yield();
            }
        }
    }

    std::shared_ptr<SimulatedCardState> state;
    SimulatedCardSettings card;
    juce::CriticalSection callbackLock;
    juce::AudioIODeviceCallback* callback = nullptr;
    std::unique_ptr<SimulatedRoom> room;
    int roomVersion = 0;
    juce::AudioBuffer<float> inputBuffer, scratch;
    std::vector<const float*> inputPointers;
    juce::BigInteger activeInputs, activeOutputs;
    double rate = 48000.0;
    int blockSize = 2048;
    bool isOpenFlag = false;
    juce::String lastError;
};

class SimulatedDeviceType : public juce::AudioIODeviceType
{
public:
    explicit SimulatedDeviceType (std::shared_ptr<SimulatedCardState> s)
        : juce::AudioIODeviceType (SimulatedSoundCard::typeName), state (std::move (s))
    {
    }

    void scanForDevices() override
    {
        if (scanned && state->getCard().scansOnlyOnce)
            return;
        scanned = true;
        names = state->pluggedIn.load (std::memory_order_acquire) ? state->getCard().deviceNames : juce::StringArray();
    }

    juce::StringArray getDeviceNames (bool wantInputNames) const override
    {
        return wantInputNames ? names : juce::StringArray();
    }

    int getDefaultDeviceIndex (bool) const override { return 0; }

    int getIndexOfDevice (juce::AudioIODevice* device, bool asInput) const override
    {
        return device != nullptr && asInput ? names.indexOf (device->getName()) : -1;
    }

    bool hasSeparateInputsAndOutputs() const override { return true; }

    juce::AudioIODevice* createDevice (const juce::String&, const juce::String& inputDeviceName) override
    {
        if (! names.contains (inputDeviceName))
            return nullptr;
        return new SimulatedDevice (inputDeviceName, state);
    }

private:
    std::shared_ptr<SimulatedCardState> state;
    juce::StringArray names;
    bool scanned = false;
};

// Lets install() find the card already in a manager.
class InstalledType : public RescanningDeviceType
{
public:
    explicit InstalledType (std::shared_ptr<SimulatedCardState> s)
        : RescanningDeviceType (SimulatedSoundCard::typeName,
                                [s] { return std::make_unique<SimulatedDeviceType> (s); }),
          state (std::move (s))
    {
    }

    std::shared_ptr<SimulatedCardState> state;
};
} // namespace

SimulatedSoundCard::SimulatedSoundCard()
    : state (std::make_shared<SimulatedCardState>())
{
}

SimulatedSoundCard SimulatedSoundCard::install (juce::AudioDeviceManager& manager)
{
    for (auto* type : manager.getAvailableDeviceTypes()) // also creates the platform's types
        if (auto* installed = dynamic_cast<InstalledType*> (type))
        {
            SimulatedSoundCard existing;
            existing.state = installed->state;
            return existing;
        }

    SimulatedSoundCard card;
    auto type = std::make_unique<InstalledType> (card.state);
    type->scanForDevices();
    manager.addAudioDeviceType (std::move (type));
    return card;
}

std::unique_ptr<juce::AudioIODeviceType> SimulatedSoundCard::createDeviceType() const
{
    return std::make_unique<SimulatedDeviceType> (state);
}

void SimulatedSoundCard::setRoom (const SimulatedRoomSettings& room)
{
    {
        std::lock_guard<std::mutex> g (state->lock);
        state->room = room;
    }
    state->roomVersion.fetch_add (1, std::memory_order_acq_rel);
}

SimulatedRoomSettings SimulatedSoundCard::getRoom() const { return state->getRoom(); }

void SimulatedSoundCard::setCard (const SimulatedCardSettings& card)
{
    std::lock_guard<std::mutex> g (state->lock);
    state->card = card;
    state->speed.store (card.speed, std::memory_order_release);
}

SimulatedCardSettings SimulatedSoundCard::getCard() const { return state->getCard(); }

void SimulatedSoundCard::setSpeed (double speed)
{
    {
        std::lock_guard<std::mutex> g (state->lock);
        state->card.speed = speed;
    }
    state->speed.store (speed, std::memory_order_release);
}

void SimulatedSoundCard::setPluggedIn (bool plugged) { state->pluggedIn.store (plugged, std::memory_order_release); }

bool SimulatedSoundCard::isPluggedIn() const { return state->pluggedIn.load (std::memory_order_acquire); }

int64_t SimulatedSoundCard::blocksDelivered() const { return state->blocks.load (std::memory_order_acquire); }
} // namespace ormalix::sim
