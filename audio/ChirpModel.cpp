#include "ChirpModel.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>

namespace ormalix::audio
{
double ChirpModel::chirpAt (double t)
{
    return std::sin (K * (std::exp (t / L) - 1.0));
}

std::vector<double> ChirpModel::chirp48k()
{
    std::vector<double> x (chirpLength);
    for (int n = 0; n < chirpLength; ++n)
        x[(size_t) n] = chirpAt (n / modelRate);
    return x;
}

std::vector<double> ChirpModel::inverseFilter48k()
{
    const auto x = chirp48k();
    std::vector<double> h (chirpLength);
    for (int n = 0; n < chirpLength; ++n)
        h[(size_t) n] = inverseFilterGain * std::exp (-(n / modelRate) / L) * x[(size_t) (chirpLength - 1 - n)];
    return h;
}

int ChirpModel::resampledLength (double rate)
{
    if (! (rate > 0.0) || ! std::isfinite (rate))
        return 0;

    const double ratio = modelRate / rate;
    return std::min (fftLength, (int) std::ceil (chirpLength / ratio));
}

std::vector<double> ChirpModel::resampleInverseFilter (const std::vector<double>& filter48k, double rate)
{
    std::vector<double> padded ((size_t) fftLength, 0.0);
    const int outLength = resampledLength (rate);
    if (outLength <= 0 || filter48k.empty())
        return padded;

    const int inLength = (int) filter48k.size();
    juce::AudioBuffer<float> in (1, inLength);
    for (int n = 0; n < inLength; ++n)
        in.setSample (0, n, (float) filter48k[(size_t) n]);

    juce::AudioBuffer<float> out (1, outLength);
    juce::LagrangeInterpolator interpolator;
    interpolator.reset();
    // Told how much input there is, the interpolator feeds zeros past the end instead of
    // reading beyond the buffer (a downward ratio needs a sample or two more than 1375).
    interpolator.process (modelRate / rate, in.getReadPointer (0), out.getWritePointer (0), outLength, inLength, 0);

    for (int n = 0; n < outLength; ++n)
        padded[(size_t) n] = (double) out.getSample (0, n);
    return padded;
}
} // namespace ormalix::audio
