#include "SimulatedRoom.h"

#include "audio/ChirpModel.h"

#include <unsupported/Eigen/FFT>

#include <algorithm>
#include <cmath>
#include <complex>

namespace ormalix::sim
{
SimulatedRoom::SimulatedRoom (const SimulatedRoomSettings& s, double rate)
    : settings (s), sampleRate (rate > 0.0 ? rate : 48000.0), random (s.seed)
{
    buildPeriods();
}

void SimulatedRoom::setPosition (int64_t p)
{
    position = std::max<int64_t> (0, p);
}

void SimulatedRoom::buildPeriods()
{
    using ormalix::audio::ChirpModel;

    const int P = std::max (1, (int) std::lround (settings.stimulusPeriod * sampleRate));

    // The chirp as the loudspeaker plays it, sampled at the device rate.
    const int chirpSamples = std::min (P, (int) std::floor (ChirpModel::chirpLength / ChirpModel::modelRate * sampleRate));
    std::vector<double> chirp ((size_t) P, 0.0);
    for (int n = 0; n < chirpSamples; ++n)
        chirp[(size_t) n] = ChirpModel::chirpAt (n / sampleRate);

    Eigen::FFT<double> fft;
    std::vector<std::complex<double>> chirpSpectrum;
    fft.fwd (chirpSpectrum, chirp);

    const float reverb = juce::jlimit (0.0f, 1.0f, settings.reverb);
    const double rt60 = 0.2 + 1.8 * reverb;           // seconds
    const double tailGain = 0.02 + 3.0 * reverb * reverb; // diffuse tail against the direct sound
    std::mt19937 tailRandom (settings.seed * 7919u + 17u);
    std::normal_distribution<double> tailNoise (0.0, 1.0);

    for (int ear = 0; ear < 2; ++ear)
    {
        double gain = settings.level;
        if (ear == 1 && settings.balanceDb > 0.0f)
            gain *= std::pow (10.0, -settings.balanceDb / 20.0);
        if (ear == 0 && settings.balanceDb < 0.0f)
            gain *= std::pow (10.0, settings.balanceDb / 20.0);

        const double delayMs = ear == 0 ? settings.delayLeftMs : settings.delayRightMs;
        const int d0 = (int) std::lround (delayMs * 0.001 * sampleRate);

        // The room's response, folded onto one period because the stimulus repeats.
        std::vector<double> ir ((size_t) P, 0.0);
        auto add = [&] (int at, double g) { ir[(size_t) (((at % P) + P) % P)] += g; };
        add (d0, 1.0);
        add (d0 + (int) std::lround (0.0062 * sampleRate), 0.25 + 0.3 * reverb);
        add (d0 + (int) std::lround (0.0137 * sampleRate), 0.15 + 0.3 * reverb);

        const int tailStart = d0 + (int) std::lround (0.008 * sampleRate);
        const int tailLength = (int) std::lround (rt60 * sampleRate);
        const double perSample = tailGain * std::sqrt (6.9 / (rt60 * sampleRate));
        for (int n = 0; n < tailLength; ++n)
            add (tailStart + n, perSample * tailNoise (tailRandom) * std::exp (-6.9 * n / (rt60 * sampleRate)));

        std::vector<std::complex<double>> irSpectrum;
        fft.fwd (irSpectrum, ir);
        for (size_t k = 0; k < irSpectrum.size(); ++k)
            irSpectrum[k] *= chirpSpectrum[k];

        std::vector<double> out;
        fft.inv (out, irSpectrum);

        // The direct sound's own peak is 1 before the gain; reflections add to it.
        auto& p = periods[ear];
        p.resize ((size_t) P);
        for (int n = 0; n < P; ++n)
            p[(size_t) n] = (float) (gain * out[(size_t) n]);
    }
}

void SimulatedRoom::render (float* left, float* right, int numSamples)
{
    const int P = (int) periods[0].size();
    float* out[2] = { left, right };
    const float drive = settings.clipping ? 8.0f : 1.0f;

    for (int ear = 0; ear < 2; ++ear)
    {
        if (out[ear] == nullptr)
            continue;

        const auto& p = periods[ear];
        int64_t pos = position;
        for (int i = 0; i < numSamples; ++i, ++pos)
        {
            float v = settings.silence ? 0.0f : p[(size_t) (pos % P)];
            if (settings.noise > 0.0f)
                v += settings.noise * gaussian (random);
            v *= drive;
            out[ear][i] = settings.clipping ? juce::jlimit (-1.0f, 1.0f, v) : v;
        }
    }

    position += numSamples;
}
} // namespace ormalix::sim
