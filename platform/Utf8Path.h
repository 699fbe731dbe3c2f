// File names are UTF-8 inside the program. std::filesystem::path holds a name
// as the system does (UTF-16 on Windows), and there its narrow constructor
// and string() use the ANSI code page, which has no room for most letters:
// these two convert between UTF-8 and a path instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tvx {

// False when `utf8` is no UTF-8 that Windows could name a file by.
bool PathFromUtf8(std::string_view utf8, std::filesystem::path *path);

// False when the system's name has no UTF-8 form (a lone surrogate in a
// Windows name).
bool Utf8FromPath(const std::filesystem::path &path, std::string *utf8);

} // namespace tvx
