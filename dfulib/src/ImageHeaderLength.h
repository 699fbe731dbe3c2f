// How many bytes a firmware image must hold for the header its first word
// announces. No header layout states the length of the whole image, so this
// is the length a read-back can be judged by: a terminal that answers with
// less has been cut short, and what it gave is no firmware to keep.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dfulib/imageheader/ImageHeaderLayout.h"

namespace tvxdfu {

// The fields of the smallest header: what any image holds at least.
inline constexpr std::size_t kMinImageHeaderLength = tvx::imageheader::kMinHeaderLength;

// The end of the last field the image's header names. An image too short to
// hold its header word, or a three-part header of a layout not known here,
// needs the smallest.
std::size_t ImageHeaderLength(const uint8_t *image, std::size_t size);

} // namespace tvxdfu
