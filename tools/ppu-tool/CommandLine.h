// Options of one ppu-tool sub-command: "--name value" options, "--name"
// flags and positional arguments.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// Exit codes of every sub-command.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRejected = 1;
inline constexpr int kExitUsage = 2;

struct CommandOptions {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> positional;

    bool Has(const std::string &name) const { return values.count(name) || flags.count(name); }
    std::string Value(const std::string &name, const std::string &fallback = "") const;
};

struct CommandSpec {
    const char *name;
    const char *usage; // printed for --help and after usage errors
    std::vector<std::string> valueOptions;
    std::vector<std::string> flagOptions;
};

// Parses argv (the arguments after the sub-command name). On a usage error
// the message is in `error`.
bool ParseCommandLine(const CommandSpec &spec, int argc, char **argv, CommandOptions *options,
                      std::string *error);

// Prints "ppu-tool <command>: <message>" and the usage to stderr; returns kExitUsage.
int UsageError(const CommandSpec &spec, const std::string &message);

// Parses a whole unsigned number (decimal, or hexadecimal with 0x) up to `max`.
bool ParseNumber(const std::string &text, unsigned long long max, unsigned long long *value);

// Reads a whole file; false when it cannot be read or is a folder.
bool ReadFileBytes(const std::string &path, std::string *bytes);
