// Checks and ordering of 16-bit BCD versions (0x0319 is 3.19).
#include "versions/Versions.h"

int IsValidBcdVersion(uint16_t version)
{
    for (int shift = 0; shift < 16; shift += 4)
        if (((version >> shift) & 0xF) > 9)
            return 0;
    return 1;
}

int CompareBcdVersions(uint16_t a, uint16_t b)
{
    // Comparing the whole words orders by the high byte, then the low byte.
    if (b > a)
        return 1;
    if (b < a)
        return -1;
    return 0;
}

int CompareValidBcdVersions(uint16_t a, uint16_t b, int *result)
{
    if (!IsValidBcdVersion(a) || !IsValidBcdVersion(b))
        return 0;
    *result = CompareBcdVersions(a, b);
    return 1;
}
