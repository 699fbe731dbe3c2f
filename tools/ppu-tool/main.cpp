// ppu-tool: makes, inspects and verifies firmware packages with the same
// reader the wizard loads them with.
#include <cstring>
#include <iostream>

#include "platform/ProgramArguments.h"
#include "platform/ProgramMain.h"
#include "tools/cli/ToolVersion.h"
#include "tools/ppu-tool/CommandLine.h"
#include "tools/ppu-tool/Commands.h"

namespace {

const CommandSpec kToolSpec = {
    "",
    "Usage: ppu-tool [-h|--help] [--version] COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Makes, inspects and verifies firmware packages (.ppu) for the TVXUpgrade\n"
    "wizard, reading them with the wizard's own package reader.\n"
    "\n"
    "Commands:\n"
    "  make-image  write a part image with a version header and a DFU suffix\n"
    "  pack        build a signed, encrypted package from a catalog and images\n"
    "  inspect     load a package as the wizard does and show what it holds\n"
    "  verify      check a package's signature and contents as the wizard's loader does\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help (after a command: that command's help)\n"
    "  --version   show the program's version and the SHA-256 of the key\n"
    "              packages are verified with\n"
    "\n"
    "A command's options take their value as '--name VALUE' or '--name=VALUE',\n"
    "may stand before or after the arguments, and may be shortened to any unique\n"
    "beginning; '--' ends the options, so that a file name may start with '-'.\n"
    "Results go to standard output, diagnostics to standard error.\n"
    "'ppu-tool COMMAND --help' describes a command.\n"
    "\n"
    "Exit status:\n"
    "  0  success: the package verified, or the file was written\n"
    "  1  the package was rejected, or a file could not be read or written\n"
    "  2  usage error: unknown command or option, missing or bad value\n",
    {{}, {"--version"}, true},
};

struct Command {
    const char *name;
    int (*run)(int, char **);
};

constexpr Command kCommands[] = {
    {"make-image", RunMakeImage},
    {"pack", RunPack},
    {"inspect", RunInspect},
    {"verify", RunVerify},
};

int Run(int argc, char **argv)
{
    CommandOptions options;
    if (int exitCode = kExitUsage; !ReadCommandLine(kToolSpec, argc, argv, &options, &exitCode))
        return exitCode;
    if (options.Has("--version")) {
        tvx::cli::PrintToolVersion(std::cout, "ppu-tool");
        return kExitSuccess;
    }
    if (options.positional.empty())
        return UsageError(kToolSpec, "no command given");
    const std::string &name = options.positional.front();
    if (name == "help") {
        std::cout << kToolSpec.usage;
        return kExitSuccess;
    }
    for (const Command &command : kCommands)
        if (name == command.name)
            return command.run(argc - options.firstPositional, argv + options.firstPositional);
    return UsageError(kToolSpec, "unknown command " + name);
}

} // namespace

int main(int argc, char **argv)
{
    return tvx::RunProgram("ppu-tool", [&] {
        tvx::ProgramArguments arguments(argc, argv); // UTF-8 on Windows too
        return Run(arguments.Count(), arguments.Values());
    });
}
