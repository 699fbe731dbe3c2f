// ppu-tool: makes, inspects and verifies firmware packages with the same
// reader the wizard loads them with.
#include <cstring>
#include <iostream>

#include "CommandLine.h"
#include "Commands.h"
#include "VerifyKeyFingerprint.h"

namespace {

constexpr const char *kUsage =
    "usage: ppu-tool COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  make-image  write a part image with a version header and a DFU suffix\n"
    "  pack        build a signed, encrypted package from a catalog and images\n"
    "  inspect     load a package as the wizard does and show what it holds\n"
    "  verify      tell whether the wizard would accept a package\n"
    "\n"
    "'ppu-tool COMMAND --help' describes a command; 'ppu-tool --version' names\n"
    "the version and the key packages are verified with. Exit codes: 0 success,\n"
    "1 package rejected or not written, 2 usage error.\n";

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

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        std::cout << kUsage;
        return kExitSuccess;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::cout << "ppu-tool " TVX_VERSION "\n" << VerifyKeyDescription() << "\n";
        return kExitSuccess;
    }
    for (const Command &command : kCommands)
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 2, argv + 2);
    std::cerr << "ppu-tool: unknown command " << argv[1] << "\n\n" << kUsage;
    return kExitUsage;
}
