#pragma once

#include "audio/AudioGlobals.h"
#include "tools/sim/SimulatedRoom.h"

#include <Eigen/Dense>

#include <vector>

namespace ormalix::test
{
// One analysis block of the simulated room as the microphones pick it up at `rate`,
// starting `offsetSeconds` into the stimulus.
inline Eigen::MatrixXd roomBlock (const ormalix::sim::SimulatedRoomSettings& settings, double rate,
                                  double offsetSeconds = 0.0)
{
    ormalix::sim::SimulatedRoom room (settings, rate);
    room.setPosition ((int64_t) (offsetSeconds * rate));
    std::vector<float> left (analysisBlockLength), right (analysisBlockLength);
    room.render (left.data(), right.data(), analysisBlockLength);

    Eigen::MatrixXd block (2, analysisBlockLength);
    for (int i = 0; i < analysisBlockLength; ++i)
    {
        block (0, i) = left[(size_t) i];
        block (1, i) = right[(size_t) i];
    }
    return block;
}
} // namespace ormalix::test
