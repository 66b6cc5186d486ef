#include "wizard/NumberFormat.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
std::string formatted (double v)
{
    char buffer[NumberFormat::maxValueChars];
    return std::string (buffer, NumberFormat::appendValue (buffer, v));
}

std::string printfFormatted (double v)
{
    char buffer[128];
    std::snprintf (buffer, sizeof (buffer), "%.5f, ", v);
    return buffer;
}

TEST (NumberFormat, WritesFiveDecimalsAndSeparator)
{
    const std::pair<float, const char*> cases[] = {
        { 29.838562f, "29.83856, " }, { -37.787f, "-37.78700, " }, { 0.12680687f, "0.12681, " },
        { 73912344576.0f, "73912344576.00000, " }, { 0.0f, "0.00000, " }, { -0.001f, "-0.00100, " },
        { 415.0f, "415.00000, " }, { 1e-7f, "0.00000, " },
    };

    for (const auto& [value, text] : cases)
        EXPECT_EQ (formatted ((double) value), text) << value;
}

TEST (NumberFormat, GivesPrintfsBytesForEveryKindOfFloat)
{
    // Halfway cases, both signs, tiny and huge magnitudes and the extremes of the float range.
    const float cases[] = { 0.000005f, 0.000015f, 2.5e-6f, -2.5e-6f, 1.000005f, 123456.789f, -0.0f, 1e-30f,
                            FLT_MIN, FLT_MAX, -FLT_MAX, 16777217.0f, 3.14159265f, -9.99999f, 0.5f };

    for (const auto v : cases)
        EXPECT_EQ (formatted ((double) v), printfFormatted ((double) v)) << v;

    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i)
    {
        x = x * 1664525u + 1013904223u;
        float v;
        std::memcpy (&v, &x, sizeof (v));
        if (! std::isfinite (v))
            continue;
        ASSERT_EQ (formatted ((double) v), printfFormatted ((double) v)) << v;
    }
}
} // namespace
