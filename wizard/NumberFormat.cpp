#include "NumberFormat.h"

#include <charconv>
#include <cstring>

namespace NumberFormat
{
char* appendValue (char* out, double value) noexcept
{
    auto result = std::to_chars (out, out + maxValueChars - 2, value, std::chars_format::fixed, 5);

    if (result.ec != std::errc())
    {
        // Only a double beyond the float range can be too long; keep the line well formed.
        std::memcpy (out, "inf", 3);
        result.ptr = out + 3;
    }

    result.ptr[0] = ',';
    result.ptr[1] = ' ';
    return result.ptr + 2;
}
} // namespace NumberFormat
