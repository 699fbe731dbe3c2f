// The share of a total that a point in a stretch of time stands for, in
// whole units, exact for every 64-bit total and length.
#pragma once

#include <cstdint>

namespace tvxdfu::sim {

// total * elapsed / length rounded down, elapsed held to [0, length]; the
// whole total when length is not positive. The product may need 127 bits,
// so the part below one length is built bit by bit: rem stays below length
// (at most 2^63 - 1), so neither doubling it nor adding a remainder to it
// overflows 64 bits.
inline uint64_t Share(uint64_t total, int64_t elapsed, int64_t length)
{
    if (length <= 0 || elapsed >= length)
        return total;
    if (elapsed <= 0)
        return 0;
    const auto len = static_cast<uint64_t>(length);
    const auto part = static_cast<uint64_t>(elapsed);
    const uint64_t whole = total / len;
    const uint64_t left = total % len;
    // quot * len + rem == left * (the bits of part taken so far)
    uint64_t quot = 0;
    uint64_t rem = 0;
    for (int bit = 62; bit >= 0; --bit) {
        quot *= 2;
        rem *= 2;
        if (rem >= len) {
            rem -= len;
            ++quot;
        }
        if ((part >> bit) & 1U) {
            rem += left;
            if (rem >= len) {
                rem -= len;
                ++quot;
            }
        }
    }
    return whole * part + quot;
}

} // namespace tvxdfu::sim
