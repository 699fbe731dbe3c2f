// Scratch folders for tests, on every system.
#pragma once

#include <string>

// A new folder in the system's temporary folder, its name `stem` and a
// random tail; made by this call, never one that existed. Empty when none
// could be made.
std::string MakeTemporaryFolder(const std::string &stem);
