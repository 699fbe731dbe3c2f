// The command line of one ppu-tool sub-command, and what the commands share.
#pragma once

#include <string>

#include "OptionParser.h"

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

// Reads a whole file; false when it cannot be read or is a folder.
bool ReadFileBytes(const std::string &path, std::string *bytes);
