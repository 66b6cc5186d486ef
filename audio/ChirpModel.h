#pragma once

#include <vector>

namespace ormalix::audio
{
// The stimulus the loudspeaker plays: an exponential sine sweep of 1375 samples at 48 kHz,
// x[n] = sin (K (e^(t/L) - 1)), t = n / 48000 s, rising from 300 Hz to about 22 kHz, and its
// inverse filter, with which a recording is deconvolved into an impulse response.
struct ChirpModel
{
    static constexpr int chirpLength = 1375;
    static constexpr int fftLength = 3 * chirpLength;
    static constexpr double modelRate = 48000.0;
    static constexpr double L = 0.006666666666666667;
    static constexpr double K = 12.566370614359172;
    static constexpr double inverseFilterGain = 45000.0;

    // The sweep at time t seconds after its start (valid for 0 <= t < chirpLength / modelRate).
    static double chirpAt (double t);

    static std::vector<double> chirp48k();

    // The sweep reversed, with an amplitude falling as the sweep's frequency rises.
    static std::vector<double> inverseFilter48k();

    // Number of samples the 48 kHz filter becomes at `rate`: ceil (1375 / (48000 / rate)).
    static int resampledLength (double rate);

    // The filter resampled to `rate` with JUCE's fourth-order Lagrange interpolator (running
    // two samples late, uncompensated), zero padded to fftLength. Rates that would not fit the
    // padded length are cut at fftLength samples.
    static std::vector<double> resampleInverseFilter (const std::vector<double>& filter48k, double rate);
};
} // namespace ormalix::audio
