#pragma once

#include "ChirpModel.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/FFT>

#include <array>
#include <complex>
#include <vector>

namespace ormalix::audio
{
// What one analysis cycle found in a 2 x 48000 block.
struct CycleResult
{
    enum class Status
    {
        analysed,          // steps through the impulse responses were done
        noDevice,          // no sample rate to work with: nothing analysed
        rateTooHigh        // the search window and segment would not fit into the block
    };

    Status status = Status::noDevice;
    float levelLeft = 0.0f, levelRight = 0.0f;  // largest |sample| of each row of the block

    // Peak search: window of W samples from column S; loudest at column S + H.
    int W = 0, S = 0, H = 0, M = 0;
    int firstChannel = 0;                        // 1 when the right channel was louder at S + H
    float irPeakFirst = 0.0f, irPeakSecond = 0.0f;
    int irPeakIndexFirst = 0, irPeakIndexSecond = 0;
    bool silentSegment = false;                  // the first channel's impulse response was all zero
    float d = 0.0f;                              // direct minus noise level, dB, bins 1 to 4
    float snrLeft = 0.0f, snrRight = 0.0f;       // values for the two SNR meters
};

// The signal processing of one cycle of the audio quality check: peak search, deconvolution
// with the chirp's inverse filter, and the direct and noise spectra of the impulse responses.
// It keeps its transform plans (one per length) and buffers from one cycle to the next.
class QualityCycle
{
public:
    QualityCycle();

    static void blockLevels (const Eigen::MatrixXd& block, float& left, float& right);

    // True when the search window and the segment fit into a 48000-frame block at `fs`.
    static bool rateFits (double fs);

    // One cycle on `block` (2 x 48000) recorded at `fs` Hz. Makes the inverse filter for `fs`
    // first when the rate changed.
    CycleResult analyse (const Eigen::MatrixXd& block, double fs);

    // Remakes inverseFilterPadded for analysisRate.
    void resampleChirpLagrange();

    double analysisRate = ChirpModel::modelRate;
    int chirpLength = ChirpModel::chirpLength;
    int fftLength = ChirpModel::fftLength;
    std::vector<double> inverseFilter48k;
    std::vector<double> inverseFilterPadded;
    Eigen::MatrixXf directSpectraDb { 2, ChirpModel::chirpLength };
    Eigen::MatrixXf noiseSpectraDb { 2, ChirpModel::chirpLength };
    Eigen::FFT<double> fft;

    // The impulse response of each channel (row = channel) of the latest analysed cycle,
    // divided by the first channel's peak.
    std::array<std::vector<double>, 2> impulseResponses;

private:
    void spectrumDb (const double* window, int length, float* out);

    std::vector<std::complex<double>> filterSpectrum, segmentSpectrum, windowSpectrum;
    std::vector<double> segment;
};
} // namespace ormalix::audio
