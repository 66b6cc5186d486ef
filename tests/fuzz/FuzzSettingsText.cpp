// The settings loader on arbitrary text: no crash, the file text of whatever was read fits its
// buffer, and reading that text back gives the same values (to the five decimals written).
#include "wizard/Settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
std::array<float, 15> valuesOf (const MagnetometerCalibration& c)
{
    std::array<float, 15> v {};
    std::copy (c.offset.begin(), c.offset.end(), v.begin());
    std::copy (c.radii.begin(), c.radii.end(), v.begin() + 3);
    std::copy (c.transform.begin(), c.transform.end(), v.begin() + 6);
    return v;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // As a file is read: text that is not UTF-8 is taken as Windows-1252.
    const auto text = juce::String::createStringFromData (data, (int) size);
    const auto first = parseSettingsText (text);
    const auto written = formatSettingsText (first);
    const auto again = parseSettingsText (juce::String (written));

    const auto a = valuesOf (first), b = valuesOf (again);
    for (size_t i = 0; i < a.size(); ++i)
    {
        if (! std::isfinite (a[i]))
            continue;

        const double tolerance = 1.0e-5 + std::abs ((double) a[i]) * 1.0e-6;
        if (std::abs ((double) a[i] - (double) b[i]) > tolerance)
        {
            std::fprintf (stderr, "value %zu read back as %.9g, was %.9g; text: %s\n", i,
                          (double) b[i], (double) a[i], written.c_str());
            std::abort();
        }
    }

    return 0;
}
