// How many bytes a firmware image must hold for the header its first word
// announces. No header layout states the length of the whole image, so this
// is the length a read-back can be judged by: a terminal that answers with
// less has been cut short, and what it gave is no firmware to keep.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvxdfu {

// The fields of the smallest header, the BCD layout with the firmware and
// loader versions at offsets 224 and 226: what any image holds at least.
inline constexpr std::size_t kMinImageHeaderLength = 228;

// The end of the last field the image's header names: 228 bytes for the BCD
// layout 0x00, 356 for the other BCD layouts, 392 and 648 for the
// three-part layouts 1 and 2. An image too short to hold its header word,
// or a three-part header of a layout not known here, needs the smallest.
std::size_t ImageHeaderLength(const uint8_t *image, std::size_t size);

} // namespace tvxdfu
