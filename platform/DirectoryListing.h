// A folder listed for a combo box the way Windows lists one:
// "[..]" first when the folder has a parent, then the files matching a
// wildcard pattern and the sub-folders as "[name]", together in
// case-insensitive name order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tvx {

// '*' matches any run of characters, '?' one character; letters match
// without regard to case (ASCII), as file names do on Windows.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

// Hidden entries (names starting with '.') are left out, as Windows
// leaves out hidden files. An unreadable folder gives an empty list. The
// folder and the names listed are UTF-8 (Utf8Path.h).
std::vector<std::string> ListDirectoryEntries(const std::string &folder, std::string_view pattern);

} // namespace tvx
