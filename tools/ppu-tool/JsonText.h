// JSON text for inspect --json.
#pragma once

#include <string>

// A JSON string literal for `text`, or null for a null pointer.
std::string JsonString(const char *text);
