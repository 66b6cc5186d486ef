#include <gtest/gtest.h>

#include "audio/ChirpModel.h"

#include <cmath>

using ormalix::audio::ChirpModel;

TEST (ChirpModel, InverseFilterIsTheReversedSweepUnderAFallingExponential)
{
    const auto x = ChirpModel::chirp48k();
    const auto h = ChirpModel::inverseFilter48k();
    ASSERT_EQ (x.size(), 1375u);
    ASSERT_EQ (h.size(), 1375u);

    EXPECT_DOUBLE_EQ (x[0], 0.0);
    // Instantaneous frequency 300 e^(150 t): about 22 kHz at the end.
    EXPECT_NEAR (300.0 * std::exp (150.0 * 1374 / 48000.0), 21970.0, 10.0);

    for (int n : { 0, 1, 700, 1374 })
        EXPECT_DOUBLE_EQ (h[(size_t) n], 45000.0 * std::exp (-(n / 48000.0) / ChirpModel::L) * x[(size_t) (1374 - n)]);
}

TEST (ChirpModel, ResamplingAt48kOnlyDelaysByTwoSamplesAndPadsWithZeros)
{
    const auto h = ChirpModel::inverseFilter48k();
    const auto padded = ChirpModel::resampleInverseFilter (h, 48000.0);
    ASSERT_EQ (padded.size(), 4125u);
    EXPECT_EQ (ChirpModel::resampledLength (48000.0), 1375);

    for (int n = 2; n < 1375; ++n)
        ASSERT_NEAR (padded[(size_t) n], (double) (float) h[(size_t) (n - 2)], 1e-9 * 45000.0) << n;
    for (int n = 1375; n < 4125; ++n)
        ASSERT_EQ (padded[(size_t) n], 0.0);
}

TEST (ChirpModel, ResampledLengthsFollowTheRate)
{
    EXPECT_EQ (ChirpModel::resampledLength (44100.0), 1264);
    EXPECT_EQ (ChirpModel::resampledLength (96000.0), 2750);
    EXPECT_EQ (ChirpModel::resampledLength (144000.0), 4125);
    EXPECT_EQ (ChirpModel::resampledLength (192000.0), 4125); // cut at the padded length
    EXPECT_EQ (ChirpModel::resampledLength (0.0), 0);

    const auto at44 = ChirpModel::resampleInverseFilter (ChirpModel::inverseFilter48k(), 44100.0);
    for (int n = 1264; n < 4125; ++n)
        ASSERT_EQ (at44[(size_t) n], 0.0);
    EXPECT_NE (at44[1000], 0.0);
}
