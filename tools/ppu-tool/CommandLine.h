// The command line of one ppu-tool sub-command, and what the commands share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/cli/OptionParser.h"

// Exit codes of every sub-command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRejected = 1;
inline constexpr int kExitUsage = 2;

using tvx::cli::CommandOptions;

struct CommandSpec {
    const char *name;
    const char *usage; // printed for --help and after usage errors
    tvx::cli::OptionSpec options;
};

// Parses the sub-command's arguments (argv[0] is its name). False when the
// command ends here: --help printed (exit 0) or a usage error (exit 2).
bool ReadCommandLine(const CommandSpec &spec, int argc, char **argv, CommandOptions *options, int *exitCode);

// Prints "ppu-tool <command>: <message>" and the usage to stderr; returns kExitUsage.
int UsageError(const CommandSpec &spec, const std::string &message);

// Parses a whole unsigned number (decimal, or hexadecimal with 0x) up to `max`.
bool ParseNumber(const std::string &text, unsigned long long max, unsigned long long *value);

// Reads a whole file into `bytes`: empty when every byte came, else why not
// ("cannot be read", "cannot be read: out of memory", ...), with `bytes`
// left empty. A regular file must keep the size it had when opened, so that
// no part of a file that changed, or that memory could not hold, is ever
// taken for the whole of it.
template <class Bytes>
std::string ReadWholeFile(const std::string &path, Bytes *bytes);
extern template std::string ReadWholeFile(const std::string &, std::string *);
extern template std::string ReadWholeFile(const std::string &, std::vector<uint8_t> *);
