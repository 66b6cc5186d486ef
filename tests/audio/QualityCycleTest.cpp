#include <gtest/gtest.h>

#include "AllocationCounter.h"
#include "AudioTestHelpers.h"
#include "audio/QualityCycle.h"
#include "audio/QualityVerdict.h"

#include <cmath>

using namespace ormalix;
using audio::CycleResult;
using sim::SimulatedRoomSettings;

namespace
{
// Five cycles, one per block, each block from its own room settings, about a second apart.
audio::QualityCheckState runCheck (const std::vector<SimulatedRoomSettings>& perCycle, double rate = 48000.0)
{
    audio::QualityCycle cycle;
    audio::QualityCheckState state;
    state.resetStatistics();
    for (size_t i = 0; i < perCycle.size(); ++i)
    {
        const auto result = cycle.analyse (test::roomBlock (perCycle[i], rate, 1.07 * (double) i), rate);
        EXPECT_EQ (result.status, CycleResult::Status::analysed);
        state.addCycle (result);
    }
    return state;
}

std::vector<SimulatedRoomSettings> fiveOf (const SimulatedRoomSettings& s) { return { s, s, s, s, s }; }
} // namespace

TEST (QualityCycle, DeconvolutionEqualsATimeDomainCircularConvolution)
{
    SimulatedRoomSettings room;
    room.noise = 0.01f;
    const auto block = test::roomBlock (room, 48000.0);

    audio::QualityCycle cycle;
    const auto r = cycle.analyse (block, 48000.0);
    ASSERT_EQ (r.status, CycleResult::Status::analysed);

    const int n = 4125;
    const auto& h = cycle.inverseFilterPadded;
    for (int c = 0; c < 2; ++c)
    {
        std::vector<double> direct ((size_t) n, 0.0);
        for (int i = 0; i < n; ++i)
        {
            double sum = 0.0;
            for (int m = 0; m < n; ++m)
                sum += block (c, r.H + ((i - m + n) % n)) * h[(size_t) m];
            direct[(size_t) i] = sum;
        }

        // The first channel's peak, found independently, normalises both.
        double a0 = 0.0;
        const int firstRowPeak = r.irPeakIndexFirst;
        if (c == r.firstChannel)
            a0 = std::abs (direct[(size_t) firstRowPeak]);
        else
        {
            double sum = 0.0;
            for (int m = 0; m < n; ++m)
                sum += block (r.firstChannel, r.H + ((firstRowPeak - m + n) % n)) * h[(size_t) m];
            a0 = std::abs (sum);
        }
        EXPECT_NEAR (a0, r.irPeakFirst, 1e-6 * a0);

        double worst = 0.0;
        for (int i = 0; i < n; ++i)
            worst = std::max (worst, std::abs (cycle.impulseResponses[(size_t) c][(size_t) i] - direct[(size_t) i] / a0));
        EXPECT_LT (worst, 1e-9) << "channel " << c;
    }
}

TEST (QualityCycle, VerdictsFromTheSimulatedRoom)
{
    SimulatedRoomSettings good;

    auto silent = good;
    silent.silence = true;
    silent.noise = 0.0f;

    auto clipped = good;
    clipped.clipping = true;

    auto rightWeaker = good;
    rightWeaker.balanceDb = 8.0f;

    auto reverberant = good;
    reverberant.level = 0.12f;
    reverberant.reverb = 1.0f;

    auto noisy = good;
    noisy.level = 0.05f;
    noisy.noise = 0.04f;

    struct Case
    {
        const char* name;
        std::vector<SimulatedRoomSettings> cycles;
        int rule;
    };
    const std::vector<Case> cases {
        { "silent input", fiveOf (silent), 1 },
        { "one clipped cycle", { good, good, clipped, good, good }, 2 },
        { "one ear 8 dB weaker", fiveOf (rightWeaker), 3 },
        { "reverberant room", fiveOf (reverberant), 4 },
        { "noisy room", fiveOf (noisy), 4 },
        { "good set-up", fiveOf (good), 5 },
    };

    for (const auto& c : cases)
    {
        const auto state = runCheck (c.cycles);
        const auto v = audio::chooseVerdict (state);
        EXPECT_EQ (state.cycleCount, 5) << c.name;
        EXPECT_EQ (v.rule, c.rule) << c.name << ": levels " << state.peakLevelLeft << " " << state.peakLevelRight
                                   << ", ir peaks " << state.irPeakFirst << " " << state.irPeakSecond
                                   << ", meanSnrDb " << state.meanSnrDb;
        EXPECT_EQ (v.colour, c.rule == 5 ? juce::Colours::lightgreen : juce::Colours::orange) << c.name;
    }
}

TEST (QualityCycle, LouderRightChannelIsProcessedFirstAndNormalisesBoth)
{
    SimulatedRoomSettings room;
    room.balanceDb = -8.0f; // the left ear is the weaker one

    audio::QualityCycle cycle;
    const auto r = cycle.analyse (test::roomBlock (room, 48000.0), 48000.0);
    ASSERT_EQ (r.status, CycleResult::Status::analysed);

    EXPECT_EQ (r.firstChannel, 1);
    EXPECT_NEAR (r.irPeakSecond / r.irPeakFirst, std::pow (10.0, -8.0 / 20.0), 0.03);
    EXPECT_NEAR (std::abs (cycle.impulseResponses[1][(size_t) r.irPeakIndexFirst]), 1.0, 1e-12);
    EXPECT_NEAR (std::abs (cycle.impulseResponses[0][(size_t) r.irPeakIndexSecond]), r.irPeakSecond / r.irPeakFirst, 1e-6);
}

TEST (QualityCycle, At44100HzTheWindowsScaleWithTheRate)
{
    audio::QualityCycle cycle;
    const auto r = cycle.analyse (test::roomBlock ({}, 44100.0), 44100.0);
    ASSERT_EQ (r.status, CycleResult::Status::analysed);

    EXPECT_EQ (r.W, 22050);
    EXPECT_EQ (r.S, 1323);
    EXPECT_EQ (r.M, 44);
    EXPECT_EQ (cycle.analysisRate, 44100.0);
    EXPECT_EQ (audio::ChirpModel::resampledLength (cycle.analysisRate), 1264);

    // 5M = 220 bins of about 200.5 Hz are filled, the rest stay 0.
    for (int row = 0; row < 2; ++row)
    {
        EXPECT_NE (cycle.directSpectraDb (row, 219), 0.0f);
        for (int k = 220; k < 1375; ++k)
        {
            ASSERT_EQ (cycle.directSpectraDb (row, k), 0.0f);
            ASSERT_EQ (cycle.noiseSpectraDb (row, k), 0.0f);
        }
    }
    EXPECT_GT (r.d, 20.0f);
}

TEST (QualityCycle, CyclesThatCannotBeAnalysedAreSkipped)
{
    audio::QualityCycle cycle;
    const auto block = test::roomBlock ({}, 48000.0);

    for (double fs : { 0.0, -1.0, std::nan ("") })
        EXPECT_EQ (cycle.analyse (block, fs).status, CycleResult::Status::noDevice) << fs;

    EXPECT_TRUE (audio::QualityCycle::rateFits (87752.0));
    EXPECT_FALSE (audio::QualityCycle::rateFits (87753.0));
    EXPECT_EQ (cycle.analyse (block, 96000.0).status, CycleResult::Status::rateTooHigh);
    EXPECT_EQ (cycle.analyse (block, 87752.0).status, CycleResult::Status::analysed);

    // The levels are still measured for the meters.
    const auto skipped = cycle.analyse (block, 0.0);
    EXPECT_GT (skipped.levelLeft, 0.1f);
}

TEST (QualityCycle, AllZeroInputScoresAsSilenceWithoutDividingByZero)
{
    audio::QualityCycle cycle;
    ASSERT_EQ (cycle.analyse (test::roomBlock ({}, 48000.0), 48000.0).status, CycleResult::Status::analysed);
    ASSERT_NE (cycle.directSpectraDb (0, 1), 0.0f);

    const auto r = cycle.analyse (Eigen::MatrixXd::Zero (2, 48000), 48000.0);
    EXPECT_EQ (r.status, CycleResult::Status::analysed);
    EXPECT_TRUE (r.silentSegment);
    EXPECT_EQ (r.irPeakFirst, 0.0f);
    EXPECT_EQ (r.irPeakSecond, 0.0f);
    EXPECT_EQ (r.d, 0.0f);
    EXPECT_EQ (r.snrLeft, 0.0f);
    EXPECT_EQ (r.snrRight, 0.0f);
    // The previous cycle's spectra are gone.
    EXPECT_TRUE (cycle.directSpectraDb.isZero());
    EXPECT_TRUE (cycle.noiseSpectraDb.isZero());
}

TEST (QualityCycle, PlansAreKeptSoALaterCycleAllocatesNothing)
{
    audio::QualityCycle cycle;
    const auto block = test::roomBlock ({}, 48000.0);
    cycle.analyse (block, 48000.0);

    test::CountAllocations counter;
    cycle.analyse (block, 48000.0);
    EXPECT_EQ (counter.count(), 0);
}

TEST (QualityVerdict, RulesAreTriedInOrderWithTheirBoundaries)
{
    struct Case
    {
        float left, right, first, second, snr;
        int rule;
    };
    const Case cases[] = {
        { 0.0049f, 0.0049f, 1.0f, 1.0f, 30.0f, 1 },   // both quiet
        { 0.0049f, 0.0050f, 1.0f, 1.0f, 30.0f, 5 },   // one at the threshold is enough
        { 0.0049f, 0.6f, 1.0f, 1.0f, 30.0f, 2 },      // quiet and clipped: the level is too high
        { 0.5f, 0.5f, 1.0f, 1.0f, 30.0f, 5 },         // exactly 0.5 is not too high
        { 0.2f, 0.51f, 1.0f, 1.0f, 30.0f, 2 },
        { 0.2f, 0.2f, 2.0f, 1.0f, 30.0f, 5 },         // ratio exactly 2 passes
        { 0.2f, 0.2f, 2.01f, 1.0f, 30.0f, 3 },
        { 0.2f, 0.2f, 1.0f, 2.01f, 30.0f, 3 },
        { 0.2f, 0.2f, 1.0f, 1.0f, 20.0f, 5 },         // meanSnrDb exactly 20 passes
        { 0.2f, 0.2f, 1.0f, 1.0f, 19.99f, 4 },
        { 0.2f, 0.2f, 3.0f, 1.0f, 5.0f, 3 },          // balance before reverberation
    };

    for (const auto& c : cases)
    {
        audio::QualityCheckState s;
        s.peakLevelLeft = c.left;
        s.peakLevelRight = c.right;
        s.irPeakFirst = c.first;
        s.irPeakSecond = c.second;
        s.meanSnrDb = c.snr;
        EXPECT_EQ (audio::chooseVerdict (s).rule, c.rule) << c.left << " " << c.right << " " << c.first << " "
                                                          << c.second << " " << c.snr;
    }

    audio::QualityCheckState s;
    s.peakLevelLeft = s.peakLevelRight = 0.2f;
    s.irPeakFirst = s.irPeakSecond = 1.0f;
    s.meanSnrDb = 25.0f;
    EXPECT_EQ (audio::chooseVerdict (s).message, "All audio checks have been successfully passed. You are ready to roll! ");
    s.meanSnrDb = 10.0f;
    EXPECT_TRUE (audio::chooseVerdict (s).message.endsWith ("find another room"));
}

TEST (QualityVerdict, StatisticsAreMaximaLatestPeaksAndARunningMean)
{
    audio::QualityCheckState s;
    EXPECT_EQ (s.cycleCount, 5);
    EXPECT_FALSE (s.isRunning());
    s.resetStatistics();
    EXPECT_TRUE (s.isRunning());

    const float ds[] = { 10.0f, 20.0f, 30.0f, 40.0f, 50.0f };
    for (int i = 0; i < 5; ++i)
    {
        CycleResult r;
        r.levelLeft = i == 1 ? 0.7f : 0.1f;
        r.levelRight = 0.05f * (float) i;
        r.irPeakFirst = (float) (i + 1);
        r.irPeakSecond = 0.5f;
        r.d = ds[i];
        s.addCycle (r);
    }
    EXPECT_EQ (s.cycleCount, 5);
    EXPECT_FLOAT_EQ (s.meanSnrDb, 30.0f);
    EXPECT_FLOAT_EQ (s.peakLevelLeft, 0.7f);
    EXPECT_FLOAT_EQ (s.peakLevelRight, 0.2f);
    EXPECT_FLOAT_EQ (s.irPeakFirst, 5.0f);
    EXPECT_FLOAT_EQ (s.irPeakSecond, 0.5f);
}
