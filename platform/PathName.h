// The file name of a path: the text after the last '/' or '\', the whole text
// when there is neither. One rule for the information rows, the default
// backup name and the content IV.
#pragma once

#include <string_view>

namespace tvx {

inline std::string_view FileNameOfPath(std::string_view path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace tvx
