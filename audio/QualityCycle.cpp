#include "QualityCycle.h"

#include <algorithm>
#include <cmath>

namespace ormalix::audio
{
namespace
{
constexpr int blockLength = 48000;
// 10^-6 as a float, so that silence gives a finite level.
const double levelFloor = (double) 0.000001f;
} // namespace

QualityCycle::QualityCycle()
    : inverseFilter48k (ChirpModel::inverseFilter48k())
{
    for (auto& ir : impulseResponses)
        ir.assign ((size_t) fftLength, 0.0);
    filterSpectrum.resize ((size_t) fftLength);
    segmentSpectrum.resize ((size_t) fftLength);
    windowSpectrum.resize ((size_t) fftLength);
    segment.resize ((size_t) fftLength);
    directSpectraDb.setZero();
    noiseSpectraDb.setZero();
    resampleChirpLagrange();
}

void QualityCycle::resampleChirpLagrange()
{
    inverseFilterPadded = ChirpModel::resampleInverseFilter (inverseFilter48k, analysisRate);
}

void QualityCycle::blockLevels (const Eigen::MatrixXd& block, float& left, float& right)
{
    left = right = 0.0f;
    if (block.rows() < 2 || block.cols() == 0)
        return;
    left = (float) block.row (0).cwiseAbs().maxCoeff();
    right = (float) block.row (1).cwiseAbs().maxCoeff();
}

bool QualityCycle::rateFits (double fs)
{
    if (! (fs > 0.0) || ! std::isfinite (fs))
        return false;

    const double W = std::ceil (0.5 * fs), S = std::ceil (0.03 * fs);
    return W - 1 + ChirpModel::fftLength - 1 <= blockLength - 1 && S + W <= blockLength;
}

void QualityCycle::spectrumDb (const double* window, int length, float* out)
{
    fft.fwd (windowSpectrum.data(), window, length);
    for (int k = 0; k < length; ++k)
        out[k] = (float) (20.0 * std::log10 (std::abs (windowSpectrum[(size_t) k]) + levelFloor));
}

CycleResult QualityCycle::analyse (const Eigen::MatrixXd& block, double fs)
{
    CycleResult result;
    blockLevels (block, result.levelLeft, result.levelRight);

    if (! (fs > 0.0) || ! std::isfinite (fs) || block.rows() < 2 || block.cols() < blockLength)
    {
        result.status = CycleResult::Status::noDevice;
        return result;
    }
    if (! rateFits (fs))
    {
        result.status = CycleResult::Status::rateTooHigh;
        return result;
    }
    result.status = CycleResult::Status::analysed;

    if (fs != analysisRate)
    {
        analysisRate = fs;
        resampleChirpLagrange();
    }

    const int n = fftLength;
    fft.fwd (filterSpectrum.data(), inverseFilterPadded.data(), n);

    // Peak search over both channels.
    const int W = (int) std::ceil (0.5 * fs);
    const int S = (int) std::ceil (0.03 * fs);
    int H = 0;
    double best = -1.0;
    for (int i = 0; i < W; ++i)
    {
        const double env = std::max (std::abs (block (0, S + i)), std::abs (block (1, S + i)));
        if (env > best)
        {
            best = env;
            H = i;
        }
    }
    result.W = W;
    result.S = S;
    result.H = H;
    result.firstChannel = std::abs (block (1, S + H)) > std::abs (block (0, S + H)) ? 1 : 0;

    directSpectraDb.setZero();
    noiseSpectraDb.setZero();

    const int M = (int) std::lround (fs * 0.001);
    result.M = M;
    const int searchLength = n - 25 * M;
    double A0 = 0.0;

    for (int r = 0; r < 2; ++r)
    {
        const int c = r == 0 ? result.firstChannel : 1 - result.firstChannel;
        auto& ir = impulseResponses[(size_t) c];

        for (int j = 0; j < n; ++j)
            segment[(size_t) j] = block (c, H + j);

        // Circular convolution of the segment with the inverse filter, through the spectra.
        fft.fwd (segmentSpectrum.data(), segment.data(), n);
        for (int k = 0; k < n; ++k)
            segmentSpectrum[(size_t) k] *= filterSpectrum[(size_t) k];
        fft.inv (ir.data(), segmentSpectrum.data(), n);

        int P = 0;
        double A = -1.0;
        for (int j = 0; j < searchLength; ++j)
        {
            const double v = std::abs (ir[(size_t) (15 * M + j)]);
            if (v > A)
            {
                A = v;
                P = j;
            }
        }

        if (r == 0)
        {
            result.irPeakFirst = (float) A;
            result.irPeakIndexFirst = 15 * M + P;
            A0 = A;
        }
        else
        {
            result.irPeakSecond = (float) A;
            result.irPeakIndexSecond = 15 * M + P;
        }

        // Nothing reached the first microphone: score the cycle as silence (spectra stay at 0,
        // so d and the meters are 0) and leave the level rule to report it.
        if (! (A0 > 0.0))
        {
            result.silentSegment = true;
            result.irPeakFirst = result.irPeakSecond = 0.0f;
            for (auto& other : impulseResponses)
                std::fill (other.begin(), other.end(), 0.0);
            directSpectraDb.setZero();
            noiseSpectraDb.setZero();
            break;
        }

        for (auto& v : ir)
            v /= A0;

        const int peak = 15 * M + P;
        float direct[ChirpModel::chirpLength], noise[ChirpModel::chirpLength];
        spectrumDb (ir.data() + (peak - M), 5 * M, direct);
        spectrumDb (ir.data() + (peak - 11 * M), 5 * M, noise);
        for (int k = 0; k < 5 * M; ++k)
        {
            directSpectraDb (c, k) = direct[k];
            noiseSpectraDb (c, k) = noise[k];
        }
    }

    float directSum = 0.0f, noiseSum = 0.0f;
    for (int c = 0; c < 2; ++c)
        for (int k = 1; k <= 4; ++k)
        {
            directSum += directSpectraDb (c, k);
            noiseSum += noiseSpectraDb (c, k);
        }
    result.d = directSum / 8.0f - noiseSum / 8.0f;

    result.snrLeft = std::max (0.0f, directSpectraDb (0, 2) - noiseSpectraDb (0, 2));
    result.snrRight = std::max (0.0f, directSpectraDb (1, 3) - noiseSpectraDb (1, 3));
    return result;
}
} // namespace ormalix::audio
