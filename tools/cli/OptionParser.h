// Command-line options of the tools, parsed by getopt_long in the GNU way:
// "--name value" and "--name=value", unique abbreviations, flags, -h for
// --help, options and arguments in any order, "--" ending the options.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tvx::cli {

struct CommandOptions {
    std::map<std::string, std::string> values; // by the option's full name, "--output"
    std::set<std::string> flags;               // "--help" for -h as well
    std::vector<std::string> positional;
    int firstPositional = 0; // index in argv of positional.front() (stopAtFirstArgument)

    bool Has(const std::string &name) const { return values.count(name) || flags.count(name); }
    std::string Value(const std::string &name, const std::string &fallback = "") const;
};

struct OptionSpec {
    std::vector<std::string> valueOptions; // "--output": takes a value
    std::vector<std::string> flagOptions;  // "--json": takes none; --help is always known
    // For a program whose own options come before a command: parsing stops at
    // the first argument, which with everything after it goes to positional.
    bool stopAtFirstArgument = false;
};

// Parses argv[1..argc-1]; argv[0] names the program or the sub-command and
// argv may be reordered. False with the message in `error` on a usage error:
// "--output needs a value", "--json takes no value", "unknown option --x".
bool ParseCommandLine(const OptionSpec &spec, int argc, char **argv, CommandOptions *options,
                      std::string *error);

} // namespace tvx::cli
