// UTF-8 inside the program, UTF-16 at every W call of the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace tvx {

// Invalid sequences become U+FFFD either way, as the system converts them.
std::wstring WideText(std::string_view utf8);
std::string Utf8Text(std::wstring_view utf16);

} // namespace tvx
