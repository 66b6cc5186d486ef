// The serial probe's line test on arbitrary bytes, as one read delivers them. Beside freedom
// from crashes two answers are known whatever the bytes: a read without a line break is never
// the tracker, and any read followed by a whole tracker line and the start of the next is.
#include "headtracker/IMU.h"
#include "headtracker/SerialProbe.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto text = IMU::textFromBytes (reinterpret_cast<const char*> (data), (int) size);

    if (looksLikeTrackerText (text) && ! text.containsAnyOf ("\r\n"))
    {
        std::fprintf (stderr, "accepted a read without a line break\n");
        std::abort();
    }

    if (! looksLikeTrackerText (text + "\n1234567,0.01,-0.02,9.81,0.1,0.2,0.3,21.5,-3.25,40.0,\n12345"))
    {
        std::fprintf (stderr, "refused a read ending in a whole tracker line\n");
        std::abort();
    }

    return 0;
}
