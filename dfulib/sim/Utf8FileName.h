// File names reach the device library in UTF-8. As a path of the system
// they are UTF-16 on Windows, where a narrow std::string would be read in
// the ANSI code page instead.
#pragma once

#include <filesystem>
#include <string_view>

namespace tvxdfu::sim {

// Throws std::filesystem::filesystem_error on Windows for bytes that are no
// UTF-8; elsewhere the bytes are the name.
inline std::filesystem::path PathOfUtf8Name(std::string_view utf8)
{
    return {std::u8string_view(reinterpret_cast<const char8_t *>(utf8.data()), utf8.size())};
}

} // namespace tvxdfu::sim
