#include <gtest/gtest.h>

#include "wizard/TimeText.h"

TEST (TimeText, RoundsToWholeSecondsAndSplitsMinutes)
{
    const std::pair<double, const char*> cases[] = {
        { 900.0, "15 min 0 s" },  { 899.4, "14 min 59 s" }, { 59.5, "1 min 0 s" }, { 59.4, "59 s" },
        { 30.0, "30 s" },         { 0.0, "0 s" },           { 0.49, "0 s" },       { 60.0, "1 min 0 s" },
        { 119.5, "2 min 0 s" },   { 61.2, "1 min 1 s" },
    };
    for (auto [remaining, expected] : cases)
        EXPECT_EQ (timeText (remaining), expected) << remaining;
}
