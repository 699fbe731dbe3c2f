// The identification text a terminal hands out with its versions (a
// 130-byte buffer). Layout, by byte index:
//   0       'F'
//   1..9    "VORN" and the model digits, blank-padded
//   10      '9' for a 460 terminal, '7' otherwise
//   11      blank
//   12..16  "ID01 "
//   17      0xD7
//   18..67  the vendor code, followed by " bravik" for the second vendor's
//           terminal, blank-padded
//   68..72  the five-digit identification number
//   73..79  blanks; the text is 80 bytes long, then NULs up to 130
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tvxdfu::sim {

inline constexpr std::size_t kIdentTextSize = 130;

void WriteIdentText(const std::string &model, const std::string &vendorCode, bool secondVendor,
                    uint32_t identNumber, char out[kIdentTextSize]);

} // namespace tvxdfu::sim
