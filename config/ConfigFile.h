// The optional configuration file: a short text naming the package files of
// a batch, separated by full stops.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char *kConfigFileName = "TVXUpgrade.ini";
inline constexpr std::size_t kMaxConfigBytes = 255;
inline constexpr std::size_t kMaxConfigNames = 6;

// Reads the file of 1 to 255 bytes, dropping every byte below 0x20 wherever
// it stands. 0 with the text; 1006 for a file of another size or that is not
// a regular file, 13 for a file that reads as empty, otherwise the errno of
// the failed open or read. Only an existing regular file is opened: a pipe,
// socket or device in its place is refused by its type, unopened.
uint32_t ReadConfigText(const std::string &fileName, std::string *text);

// Name of the configuration file in the current folder, matched without
// regard to letter case as Windows matches file names: the first in listing
// order when several differ only in case; kConfigFileName when there is none.
std::string FindConfigFile();

// The names between full stops, empty ones skipped, at most six.
std::vector<std::string> SplitConfigNames(const std::string &text);
