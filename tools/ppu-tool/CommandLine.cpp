#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

std::string CommandOptions::Value(const std::string &name, const std::string &fallback) const
{
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

bool ParseCommandLine(const CommandSpec &spec, int argc, char **argv, CommandOptions *options,
                      std::string *error)
{
    const auto listed = [](const std::vector<std::string> &list, const std::string &name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || listed(spec.flagOptions, argument)) {
            options->flags.insert(argument);
        } else if (listed(spec.valueOptions, argument)) {
            if (i + 1 >= argc) {
                *error = argument + " needs a value";
                return false;
            }
            options->values[argument] = argv[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            *error = "unknown option " + argument;
            return false;
        } else {
            options->positional.push_back(argument);
        }
    }
    return true;
}

int UsageError(const CommandSpec &spec, const std::string &message)
{
    std::cerr << "ppu-tool " << spec.name << ": " << message << "\n\n" << spec.usage;
    return kExitUsage;
}

bool ParseNumber(const std::string &text, unsigned long long max, unsigned long long *value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char *end = nullptr;
    errno = 0;
    *value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    return errno == 0 && *end == '\0' && *value <= max;
}

bool ReadFileBytes(const std::string &path, std::string *bytes)
{
    // A folder opens as a stream that reads as empty.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored))
        return false;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream content;
    content << file.rdbuf();
    *bytes = content.str();
    return !file.bad();
}
