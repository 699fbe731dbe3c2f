#include "CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

bool ReadCommandLine(const CommandSpec &spec, int argc, char **argv, CommandOptions *options, int *exitCode)
{
    std::string error;
    if (!tvx::cli::ParseCommandLine(spec.options, argc, argv, options, &error)) {
        *exitCode = UsageError(spec, error);
        return false;
    }
    if (options->Has("--help")) {
        std::cout << spec.usage;
        *exitCode = kExitSuccess;
        return false;
    }
    return true;
}

int UsageError(const CommandSpec &spec, const std::string &message)
{
    std::cerr << "ppu-tool" << (*spec.name ? " " : "") << spec.name << ": " << message << "\n\n" << spec.usage;
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
