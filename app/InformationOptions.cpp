#include "app/InformationOptions.h"

#include <string_view>

#include "package/VerifyKeyFingerprint.h"

namespace {

constexpr const char *kHelp =
    "Usage: TVXUpgrade [-h|--help] [--version] [QT-OPTIONS]\n"
    "\n"
    "A wizard that upgrades the firmware of USB eHealth card terminals of the\n"
    "VORN 400 series from signed, encrypted firmware packages (.ppu): it lists\n"
    "the attached terminals, checks the chosen package against the selected\n"
    "terminal, may read the current firmware back into a backup file (.bak),\n"
    "and writes the package's parts over USB DFU, following the terminal through\n"
    "its restarts.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help and exit\n"
    "  --version   show the program's version and the SHA-256 of the key\n"
    "              packages are verified with, and exit\n"
    "Every other argument goes to the Qt toolkit (e.g. -platform, -style).\n"
    "\n"
    "Exit status:\n"
    "  0  the wizard was closed (whatever the outcome of the upgrade, which the\n"
    "     wizard shows), or the help or version was shown\n"
    "  128+N  stopped by signal N (SIGTERM, SIGINT or SIGHUP), also during an\n"
    "     upgrade: the window closes, a part under way is stopped, a download\n"
    "     with ABORT unless the terminal is already installing; a second\n"
    "     signal ends the wizard at once\n"
    "\n"
    "Files:\n"
    "In the folder the wizard is started in:\n"
    "  *.ppu           the firmware packages offered in the package list\n"
    "  TVXUpgrade.ini  optional batch file: up to six package names, lower case\n"
    "                  without .ppu, separated by full stops, applied one after\n"
    "                  the other\n"
    "\n"
    "Environment:\n"
    "  LC_ALL, LC_MESSAGES, LANG  the first that is set chooses the language:\n"
    "                             de... German, fr... French, else English\n"
    "  TVX_SIMULATOR              use simulated terminals instead of USB: a\n"
    "                             scenario file, or 'demo' for the built-in ones\n";

} // namespace

bool AnswerInformationOption(int argc, char **argv, std::ostream &out)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help") {
            out << kHelp;
            return true;
        }
        if (argument == "--version") {
            out << "TVXUpgrade " TVX_VERSION "\n" << VerifyKeyDescription() << "\n";
            return true;
        }
    }
    return false;
}
