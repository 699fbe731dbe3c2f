#include "tools/cli/OptionParser.h"

#include <getopt.h>

namespace tvx::cli {
namespace {

// getopt_long reports a long option by its index in the table plus this, so
// that it never meets a short option's character.
constexpr int kLongOptionBase = 0x100;
constexpr int kHelp = 'h';

std::string ShortName(int character)
{
    return std::string("-") + static_cast<char>(character);
}

} // namespace

std::string CommandOptions::Value(const std::string &name, const std::string &fallback) const
{
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

bool ParseCommandLine(const OptionSpec &spec, int argc, char **argv, CommandOptions *options,
                      std::string *error)
{
    std::vector<std::string> names; // by table index, with the leading "--"
    std::vector<option> table;
    for (const std::string &name : spec.valueOptions)
        names.push_back(name);
    for (const std::string &name : spec.flagOptions)
        names.push_back(name);
    for (std::size_t i = 0; i < names.size(); ++i)
        table.push_back({names[i].c_str() + 2, i < spec.valueOptions.size() ? required_argument : no_argument,
                         nullptr, kLongOptionBase + static_cast<int>(i)});
    table.push_back({"help", no_argument, nullptr, kHelp});
    table.push_back({nullptr, 0, nullptr, 0});

    // '+' stops at the first argument; ':' reports a missing value apart from
    // an unknown option. optind 0 starts glibc's parser afresh, as a tool
    // parses its own options and then a command's.
    const std::string shortOptions = std::string(spec.stopAtFirstArgument ? "+" : "") + ":h";
    opterr = 0;
    optind = 0;
    for (;;) {
        const int found = getopt_long(argc, argv, shortOptions.c_str(), table.data(), nullptr);
        if (found == -1)
            break;
        const std::string longName = optopt >= kLongOptionBase ? names[optopt - kLongOptionBase] : "";
        if (found == ':') {
            *error = (longName.empty() ? ShortName(optopt) : longName) + " needs a value";
            return false;
        }
        if (found == '?') {
            if (!longName.empty()) {
                *error = longName + " takes no value";
            } else if (optopt != 0) {
                *error = "unknown option " + ShortName(optopt);
            } else {
                // An unknown or ambiguous long option: it is the argument just read.
                const std::string given = argv[optind - 1];
                *error = "unknown option " + given.substr(0, given.find('='));
            }
            return false;
        }
        if (found == kHelp) {
            options->flags.insert("--help");
            continue;
        }
        const auto index = static_cast<std::size_t>(found - kLongOptionBase);
        if (index < spec.valueOptions.size())
            options->values[names[index]] = optarg;
        else
            options->flags.insert(names[index]);
    }
    options->firstPositional = optind;
    for (int i = optind; i < argc; ++i)
        options->positional.emplace_back(argv[i]);
    return true;
}

} // namespace tvx::cli
