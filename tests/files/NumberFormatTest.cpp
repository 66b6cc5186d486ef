#include "wizard/NumberFormat.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace
{
template <typename T>
std::string formatted (T v)
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
        { 415.0f, "415.00000, " }, { 1e-7f, "0.00000, " }, { 10.0f, "10.00000, " }, { 100000.0f, "100000.00000, " },
    };

    for (const auto& [value, text] : cases)
    {
        EXPECT_EQ (formatted (value), text) << value;
        EXPECT_EQ (formatted ((double) value), text) << value;
    }
}

TEST (NumberFormat, GivesPrintfsBytesForEveryKindOfFloat)
{
    // Exact ties (1/64, 3/64), both signs, tiny and huge magnitudes, the ends of the float
    // range and the place where the integer fast path hands over to the general one.
    const float cases[] = { 0.015625f, 0.046875f, -0.015625f, 0.000005f, 0.000015f, 2.5e-6f, -2.5e-6f,
                            1.000005f, 123456.789f, -0.0f, 1e-30f, FLT_MIN, FLT_TRUE_MIN, FLT_MAX, -FLT_MAX,
                            16777217.0f, 3.14159265f, -9.99999f, 0.5f, 140737488355328.0f, 281474976710656.0f,
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity() };

    for (const auto v : cases)
        EXPECT_EQ (formatted (v), printfFormatted ((double) v)) << v;

    uint32_t x = 12345;
    for (int i = 0; i < 300000; ++i)
    {
        x = x * 1664525u + 1013904223u;
        float v;
        // Every bit pattern, and values of the log's usual magnitudes.
        if (i % 2 == 0)
            std::memcpy (&v, &x, sizeof (v));
        else
            v = ((float) (x >> 8) / 16777216.0f - 0.5f) * (float) (1 << (i % 24));
        if (std::isnan (v))
            continue;
        ASSERT_EQ (formatted (v), printfFormatted ((double) v)) << v;
    }
}
} // namespace
