// One full cycle of the audio quality check, and its transforms done by Eigen's kissfft and
// by FFTW (the peer, loaded at run time) on the same data.
#include <benchmark/benchmark.h>

#include "audio/QualityCycle.h"
#include "tools/sim/SimulatedRoom.h"

#include <fftw3.h>

#include <dlfcn.h>

namespace
{
constexpr int n = 4125;
constexpr int windowLength = 240; // 5 ms at 48 kHz

Eigen::MatrixXd roomBlock()
{
    ormalix::sim::SimulatedRoom room ({}, 48000.0);
    std::vector<float> l (48000), r (48000);
    room.render (l.data(), r.data(), 48000);
    Eigen::MatrixXd block (2, 48000);
    for (int i = 0; i < 48000; ++i)
    {
        block (0, i) = l[(size_t) i];
        block (1, i) = r[(size_t) i];
    }
    return block;
}

void BM_QualityCycle_Full (benchmark::State& state)
{
    ormalix::audio::QualityCycle cycle;
    const auto block = roomBlock();
    cycle.analyse (block, 48000.0);
    for (auto _ : state)
        benchmark::DoNotOptimize (cycle.analyse (block, 48000.0));
}

// The cycle's transforms alone: the filter's, a forward and an inverse per channel (4125
// points, with the spectral product), and two 240-point windows per channel.
void BM_QualityCycleTransforms_Eigen (benchmark::State& state)
{
    ormalix::audio::QualityCycle cycle;
    const auto block = roomBlock();
    Eigen::FFT<double> fft;
    std::vector<std::complex<double>> hf (n), x (n), w (n);
    std::vector<double> seg (n), ir (n);
    for (auto _ : state)
    {
        fft.fwd (hf.data(), cycle.inverseFilterPadded.data(), n);
        for (int c = 0; c < 2; ++c)
        {
            for (int j = 0; j < n; ++j)
                seg[(size_t) j] = block (c, 1000 + j);
            fft.fwd (x.data(), seg.data(), n);
            for (int k = 0; k < n; ++k)
                x[(size_t) k] *= hf[(size_t) k];
            fft.inv (ir.data(), x.data(), n);
            fft.fwd (w.data(), ir.data() + 1500, windowLength);
            fft.fwd (w.data(), ir.data() + 1000, windowLength);
        }
        benchmark::DoNotOptimize (w.data());
    }
}

struct Fftw
{
    Fftw()
    {
        lib = dlopen ("libfftw3.so.3", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr)
            return;
        mallocFn = (decltype (mallocFn)) dlsym (lib, "fftw_malloc");
        freeFn = (decltype (freeFn)) dlsym (lib, "fftw_free");
        r2c = (decltype (r2c)) dlsym (lib, "fftw_plan_dft_r2c_1d");
        c2r = (decltype (c2r)) dlsym (lib, "fftw_plan_dft_c2r_1d");
        executeR2c = (decltype (executeR2c)) dlsym (lib, "fftw_execute_dft_r2c");
        executeC2r = (decltype (executeC2r)) dlsym (lib, "fftw_execute_dft_c2r");
        destroy = (decltype (destroy)) dlsym (lib, "fftw_destroy_plan");
        ok = mallocFn && freeFn && r2c && c2r && executeR2c && executeC2r && destroy;
    }

    ~Fftw()
    {
        if (lib != nullptr)
            dlclose (lib);
    }

    void* lib = nullptr;
    bool ok = false;
    decltype (&fftw_malloc) mallocFn = nullptr;
    decltype (&fftw_free) freeFn = nullptr;
    decltype (&fftw_plan_dft_r2c_1d) r2c = nullptr;
    decltype (&fftw_plan_dft_c2r_1d) c2r = nullptr;
    decltype (&fftw_execute_dft_r2c) executeR2c = nullptr;
    decltype (&fftw_execute_dft_c2r) executeC2r = nullptr;
    decltype (&fftw_destroy_plan) destroy = nullptr;
};

void BM_QualityCycleTransforms_FFTW (benchmark::State& state)
{
    Fftw f;
    if (! f.ok)
    {
        state.SkipWithError ("libfftw3.so.3 not found");
        return;
    }

    ormalix::audio::QualityCycle cycle;
    const auto block = roomBlock();
    auto* in = (double*) f.mallocFn (sizeof (double) * n);
    auto* ir = (double*) f.mallocFn (sizeof (double) * n);
    auto* win = (double*) f.mallocFn (sizeof (double) * windowLength);
    auto* hf = (fftw_complex*) f.mallocFn (sizeof (fftw_complex) * (n / 2 + 1));
    auto* x = (fftw_complex*) f.mallocFn (sizeof (fftw_complex) * (n / 2 + 1));
    auto* w = (fftw_complex*) f.mallocFn (sizeof (fftw_complex) * (windowLength / 2 + 1));

    // Plans made once, as the cycle keeps its own.
    auto forward = f.r2c (n, in, x, FFTW_MEASURE);
    auto inverse = f.c2r (n, x, ir, FFTW_MEASURE);
    auto windowForward = f.r2c (windowLength, win, w, FFTW_MEASURE);

    for (auto _ : state)
    {
        std::copy (cycle.inverseFilterPadded.begin(), cycle.inverseFilterPadded.end(), in);
        f.executeR2c (forward, in, hf);
        for (int c = 0; c < 2; ++c)
        {
            for (int j = 0; j < n; ++j)
                in[j] = block (c, 1000 + j);
            f.executeR2c (forward, in, x);
            for (int k = 0; k <= n / 2; ++k)
            {
                const double re = x[k][0] * hf[k][0] - x[k][1] * hf[k][1];
                const double im = x[k][0] * hf[k][1] + x[k][1] * hf[k][0];
                x[k][0] = re / n;
                x[k][1] = im / n;
            }
            f.executeC2r (inverse, x, ir);
            std::copy (ir + 1500, ir + 1500 + windowLength, win);
            f.executeR2c (windowForward, win, w);
            std::copy (ir + 1000, ir + 1000 + windowLength, win);
            f.executeR2c (windowForward, win, w);
        }
        benchmark::DoNotOptimize (w);
    }

    f.destroy (forward);
    f.destroy (inverse);
    f.destroy (windowForward);
    for (void* p : { (void*) in, (void*) ir, (void*) win, (void*) hf, (void*) x, (void*) w })
        f.freeFn (p);
}
} // namespace

BENCHMARK (BM_QualityCycle_Full)->Unit (benchmark::kMicrosecond)->Repetitions (9)->ReportAggregatesOnly (true);
BENCHMARK (BM_QualityCycleTransforms_Eigen)->Unit (benchmark::kMicrosecond)->Repetitions (9)->ReportAggregatesOnly (true);
BENCHMARK (BM_QualityCycleTransforms_FFTW)->Unit (benchmark::kMicrosecond)->Repetitions (9)->ReportAggregatesOnly (true);
