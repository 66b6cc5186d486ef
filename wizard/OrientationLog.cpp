#include "OrientationLog.h"

#include "CheckedFileOutput.h"
#include "FileNaming.h"
#include "NumberFormat.h"
#include "headtracker/TrackerGlobals.h"

#include <algorithm>

namespace
{
constexpr int valuesPerLine = 10;
constexpr size_t maxLineChars = valuesPerLine * NumberFormat::maxValueChars + 1;
// A multiple of the stream's buffer, so that full chunks bypass its copy.
constexpr size_t chunkSize = 4 * 16384;
} // namespace

bool writeOrientationLogLines (juce::OutputStream& out, const Eigen::MatrixXf& samples, unsigned numStored)
{
    if (samples.rows() < valuesPerLine)
        return true;

    // The count comes from another subsystem; never read past the matrix.
    const auto available = (unsigned) std::min<Eigen::Index> (samples.cols(), (Eigen::Index) numStored);
    const unsigned numLines = available > 0 ? available - 1 : 0;

    char chunk[chunkSize];
    char* p = chunk;
    bool ok = true;

    for (unsigned s = 0; s < numLines && ok; ++s)
    {
        if ((size_t) (chunk + chunkSize - p) < maxLineChars)
        {
            ok = out.write (chunk, (size_t) (p - chunk));
            p = chunk;
        }

        const float* column = samples.col ((Eigen::Index) s).data();

        for (int r = 0; r < valuesPerLine; ++r)
            p = NumberFormat::appendValue (p, column[r]);

        *p++ = '\n';
    }

    if (ok && p != chunk)
        ok = out.write (chunk, (size_t) (p - chunk));

    return ok;
}

juce::File writeOrientationLog (const juce::File& folder)
{
    const auto file = nextFreeFile (folder, "OrmalixMeasurement", ".csv");
    CheckedFileOutput out (file, 16384);

    if (! out.openedOk())
        return {};

    writeOrientationLogLines (out, imuData, numImuData);
    return out.finish (true) ? file : juce::File();
}
