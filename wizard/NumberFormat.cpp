#include "NumberFormat.h"

#include <charconv>
#include <cstdint>
#include <cstring>

namespace NumberFormat
{
namespace
{
constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* appendSeparator (char* p) noexcept
{
    p[0] = ',';
    p[1] = ' ';
    return p + 2;
}

// Writes scaled / 100000 with five decimals.
char* appendScaled (char* out, uint64_t scaled) noexcept
{
    char digits[24];
    char* end = digits + sizeof (digits);
    char* p = end;

    // At least six digits: one before the point and five after it.
    for (int i = 0; i < 6 || scaled != 0; i += 2)
    {
        const auto pair = (unsigned) (scaled % 100);
        scaled /= 100;
        p -= 2;
        std::memcpy (p, digitPairs + 2 * pair, 2);
    }

    // The loop writes digits in pairs; drop a leading zero beyond the sixth digit.
    if (end - p > 6 && *p == '0')
        ++p;

    const auto integerDigits = (size_t) (end - p) - 5;
    std::memcpy (out, p, integerDigits);
    out += integerDigits;
    *out++ = '.';
    std::memcpy (out, p + integerDigits, 5);
    return out + 5;
}
} // namespace

char* appendValue (char* out, double value) noexcept
{
    auto result = std::to_chars (out, out + maxValueChars - 2, value, std::chars_format::fixed, 5);

    if (result.ec != std::errc())
    {
        // Only a double beyond the float range can be too long; keep the line well formed.
        std::memcpy (out, "inf", 3);
        result.ptr = out + 3;
    }

    return appendSeparator (result.ptr);
}

char* appendValue (char* out, float value) noexcept
{
    uint32_t bits;
    std::memcpy (&bits, &value, sizeof (bits));

    const auto exponentField = (int) ((bits >> 23) & 0xff);
    uint64_t mantissa = bits & 0x7fffff;

    // value = mantissa * 2^exponent exactly.
    int exponent = -149;
    if (exponentField != 0)
    {
        mantissa |= 0x800000;
        exponent = exponentField - 150;
    }

    // Infinities, NaNs and magnitudes whose scaled value would not fit 64 bits.
    if (exponentField == 0xff || exponent > 23)
        return appendValue (out, (double) value);

    // value * 10^5, rounded to the nearest integer, ties to even. mantissa * 10^5 < 2^41.
    const uint64_t product = mantissa * 100000u;
    uint64_t scaled = 0;

    if (exponent >= 0)
    {
        scaled = product << exponent;
    }
    else if (-exponent <= 41)
    {
        const int shift = -exponent;
        scaled = product >> shift;
        const uint64_t remainder = product & ((uint64_t (1) << shift) - 1);
        const uint64_t half = uint64_t (1) << (shift - 1);

        if (remainder > half || (remainder == half && (scaled & 1) != 0))
            ++scaled;
    }
    // Otherwise the value is below half a unit of the fifth decimal and rounds to 0.

    if ((bits >> 31) != 0)
        *out++ = '-';

    return appendSeparator (appendScaled (out, scaled));
}
} // namespace NumberFormat
