// Minimal JSON text output for the driver's transcript lines.
#pragma once

#include <string>
#include <string_view>

namespace tvx::drive {

// The text as a JSON string literal, quotes included; UTF-8 passes through.
std::string JsonString(std::string_view text);

} // namespace tvx::drive
