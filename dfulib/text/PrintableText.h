// Text from packages and devices, made safe to print on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace tvx {

// `text` with every C0 control (newline and tab too), DEL, C1 control and
// byte that is not part of valid UTF-8 shown as \xNN, so that no escape
// sequence reaches the terminal and a line stays one line; printable UTF-8
// stays as it is.
std::string PrintableText(std::string_view text);

} // namespace tvx
