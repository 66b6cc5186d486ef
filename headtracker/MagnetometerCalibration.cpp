#include "MagnetometerCalibration.h"

#include "TrackerGlobals.h"

#include <algorithm>
#include <cmath>

bool MagnetometerCalibration::isUsable() const
{
    for (int i = 0; i < 3; ++i)
        if (! std::isfinite (offset[(size_t) i]) || ! std::isfinite (radii[(size_t) i]) || ! (radii[(size_t) i] > 0.0f))
            return false;

    return std::all_of (transform.begin(), transform.end(), [] (float t) { return std::isfinite (t); });
}

MagnetometerCalibration currentCalibration()
{
    const std::lock_guard<std::mutex> lock (mtx);
    MagnetometerCalibration c;
    std::copy_n (magnetometerOffset, 3, c.offset.begin());
    std::copy_n (magnetometerRadii, 3, c.radii.begin());
    std::copy_n (magnetometerTransform, 9, c.transform.begin());
    return c;
}

void installCalibration (const MagnetometerCalibration& c)
{
    const std::lock_guard<std::mutex> lock (mtx);
    std::copy (c.offset.begin(), c.offset.end(), magnetometerOffset);
    std::copy (c.radii.begin(), c.radii.end(), magnetometerRadii);
    std::copy (c.transform.begin(), c.transform.end(), magnetometerTransform);
}
