// JSON output of the tools, through nlohmann::json: members in the order they
// are added, one compact object a line.
#pragma once

#include <ostream>

#include <nlohmann/json.hpp>

namespace tvx::cli {

using Json = nlohmann::ordered_json;

// The text, or null for a null pointer.
Json TextOrNull(const char *text);

// Writes the value as one line. Texts are taken as UTF-8; a byte sequence
// that is not UTF-8 (a catalog or a file name in Latin-1) comes out as
// U+FFFD, so that every line is valid UTF-8 and valid JSON. Control
// characters, DEL and the C1 controls included, come out as \u escapes, so
// that no escape sequence reaches a terminal.
void WriteJsonLine(std::ostream &out, const Json &value);

} // namespace tvx::cli
