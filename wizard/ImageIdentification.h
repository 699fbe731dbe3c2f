// Reading a part image's header beyond its versions.
#pragma once

#include <cstdint>

#include "dfulib/include/TVXPackageEntry.h"

// The hardware-variant codes after the header's loader version, read where
// the image identification reads that version: at most 16 words, of which
// at most 15 are kept and a zero always ends the list. All zero when the
// header kind has no loader version or the image is too short for one.
void ReadHardwareCodes(const PackageEntry *part, uint16_t (&codes)[16]);
