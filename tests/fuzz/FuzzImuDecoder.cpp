// The decoder on arbitrary bytes, cut into reads at arbitrary places. After every call the
// orientation must still be a finite unit quaternion and neither capture buffer may have been
// filled past its capacity. Some inputs first install a calibration read from settings text,
// since that file reaches the decoder unchecked.
#include "headtracker/IMU.h"
#include "headtracker/MagnetometerCalibration.h"
#include "headtracker/TrackerGlobals.h"
#include "wizard/Settings.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
void fail (const char* what)
{
    std::fprintf (stderr, "decoder invariant broken: %s (q = %g %g %g %g, imu %u, mag %u)\n", what,
                  (double) q0, (double) q1, (double) q2, (double) q3, numImuData,
                  numMagData.load (std::memory_order_acquire));
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    FuzzedDataProvider input (data, size);

    q0 = 1.0f;
    q1 = q2 = q3 = 0.0f;
    numImuData = 0;
    numMagData.store (0, std::memory_order_release);
    m_storeImuData.store (true, std::memory_order_release);
    m_storeMagData.store (true, std::memory_order_release);

    if (input.ConsumeBool())
    {
        const auto settings = input.ConsumeRandomLengthString (256);
        installCalibration (parseSettingsText (juce::String::createStringFromData (settings.data(), (int) settings.size())));
    }
    else
        setBuiltInMagnetometerCalibration();

    IMU imu;

    while (input.remaining_bytes() > 0)
    {
        const auto cut = input.ConsumeIntegralInRange<size_t> (0, 200);
        const auto bytes = input.ConsumeBytes<char> (cut);
        imu.getQuaternion (IMU::textFromBytes (bytes.data(), (int) bytes.size()));

        if (! (std::isfinite (q0) && std::isfinite (q1) && std::isfinite (q2) && std::isfinite (q3)))
            fail ("q not finite");

        const double norm = std::sqrt ((double) q0 * q0 + (double) q1 * q1 + (double) q2 * q2 + (double) q3 * q3);
        if (std::abs (norm - 1.0) > 1.0e-2)
            fail ("q not of unit length");

        if (numImuData > imuDataCapacity || numImuData > (unsigned) imuData.cols())
            fail ("log past its end");

        if (numMagData.load (std::memory_order_acquire) > magDataCapacity)
            fail ("magnetometer samples past their end");

        if (imu.pendingLine.length() > IMU::maxPendingLength + 256)
            fail ("pending text grows without bound");
    }

    return 0;
}
