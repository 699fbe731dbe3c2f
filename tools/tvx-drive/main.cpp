// tvx-drive: runs the wizard headless on simulated terminals in virtual time
// from a script, writing every message box and the state as JSON lines; with
// --usb on the terminals attached by USB, in real time.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "dfulib/sim/SimulatorControl.h"
#include "platform/EnvironmentVariable.h"
#include "platform/Language.h"
#include "platform/ProgramArguments.h"
#include "platform/ProgramMain.h"
#include "platform/StopSignals.h"
#include "platform/Utf8Path.h"
#include "tools/cli/OptionParser.h"
#include "tools/cli/ToolVersion.h"
#include "tools/tvx-drive/Driver.h"
#include "tools/tvx-drive/UsbEvents.h"

namespace {

constexpr int kExitRan = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: tvx-drive [OPTIONS] SCRIPT\n"
    "\n"
    "Runs the TVXUpgrade wizard headless on simulated terminals in virtual time\n"
    "(or with --usb on the terminals attached by USB, in real time), one script\n"
    "command after the other, and writes what the wizard shows as JSON lines on\n"
    "standard output.\n"
    "\n"
    "Options:\n"
    "  --scenario FILE|demo  the simulated terminals: a scenario file, or the\n"
    "                        built-in demo (default: $TVX_SIMULATOR, else demo)\n"
    "  --usb                 drive the terminals attached by USB instead, in real\n"
    "                        time, following them through udev as the wizard does\n"
    "  --lang en|de|fr       the wizard's language (default: from the locale)\n"
    "  --dir FOLDER          the folder the wizard runs in, whose packages it lists\n"
    "  --strict              exit 1 when the wizard refused a command's action\n"
    "  -h, --help            show this help\n"
    "  --version             show the program's version and the SHA-256 of the\n"
    "                        key packages are verified with\n"
    "\n"
    "Options take their value as '--name VALUE' or '--name=VALUE'; '--' ends the\n"
    "options. SCRIPT and the scenario FILE are found from the folder tvx-drive is\n"
    "started in, before it enters FOLDER; paths inside the script are the\n"
    "wizard's and are found from FOLDER.\n"
    "\n"
    "SCRIPT is a file, or '-' for standard input: one command a line, '#' starts\n"
    "a comment. A bad line stops tvx-drive before anything runs.\n"
    "\n"
    "Script commands:\n"
    "  select ROW            select a row of the device list (from 0)\n"
    "  next, cancel, finish  click that button\n"
    "  about                 open the About box\n"
    "  package INDEX         choose an entry of the package list (from 0)\n"
    "  package PATH          pick a package file through Search\n"
    "  backup PATH           tick the backup box and name the backup file\n"
    "  backup off            untick the backup box\n"
    "  answer ok|cancel      queue the answer to a message box (see below)\n"
    "  wait SECONDS          let virtual time pass\n"
    "  wait-idle [SECONDS]   let time pass until the wizard waits for a person\n"
    "                        (at most SECONDS, default 600)\n"
    "  plug ID, unplug ID    attach or remove a simulated terminal\n"
    "  state                 write the wizard's state\n"
    "\n"
    "Message boxes: a box shows while the command that causes it runs, so its\n"
    "'answer' must be queued BEFORE that command; the two boxes the wizard opens\n"
    "with are shown by the first command other than 'answer'. Each box takes the\n"
    "next queued answer; a box with only OK takes one too and is answered OK. A\n"
    "box with no answer queued is answered OK.\n"
    "\n"
    "Output: one JSON object a line, in UTF-8; bytes that are not UTF-8 (a file\n"
    "name or a package text in Latin-1) are written as U+FFFD. Diagnostics go to\n"
    "standard error.\n"
    "\n"
    "Output lines:\n"
    "  {\"box\":{...}}      every message box: caption, text, type, answer\n"
    "  {\"about\":{...}}    the About box: caption, texts\n"
    "  {\"refused\":CMD}    the wizard did not take the command's action (a\n"
    "                     disabled button, a missing row)\n"
    "  {\"state\":{...}}    on 'state', and once at the end\n"
    "\n"
    "Exit status:\n"
    "  0  the script ran (also when commands were refused, unless --strict)\n"
    "  1  with --strict: the script ran and at least one command was refused\n"
    "     (also, with or without --strict, when tvx-drive ran out of memory)\n"
    "  2  the script could not run: usage error, unreadable script, a line that\n"
    "     is not a command, an unusable scenario or folder\n"
    "  128+N  stopped by signal N (SIGTERM, SIGINT or SIGHUP): the script ends\n"
    "     where it was and a part under way is stopped, a download with ABORT\n"
    "     unless the terminal is already installing; a second signal ends\n"
    "     tvx-drive at once\n";

int ExitCode(const tvx::drive::Driver &driver, bool strict, const tvx::StopSignals &stopSignals)
{
    if (stopSignals.Received()) {
        stopSignals.Report(std::cerr, "tvx-drive");
        return stopSignals.ExitStatus();
    }
    return strict && driver.Refusals() > 0 ? kExitRefused : kExitRan;
}

int UsageError(const std::string &message)
{
    std::cerr << "tvx-drive: " << message << "\n\n" << kUsage;
    return kExitUsage;
}

int Failure(const std::string &message)
{
    std::cerr << "tvx-drive: " << message << "\n";
    return kExitUsage;
}

// The wizard speaks the language named on the command line.
bool SetLanguage(const std::string &language)
{
    const uint16_t langId = language == "de"   ? 0x0407
                            : language == "fr" ? 0x040C
                            : language == "en" ? 0x0409
                                               : 0;
    if (!langId)
        return false;
    tvx::ChooseLanguage(langId);
    return true;
}

bool ReadLines(std::istream &in, std::vector<std::string> *lines)
{
    for (std::string line; std::getline(in, line);)
        lines->push_back(line);
    return !in.bad();
}

// A stop signal ends the script where it is; the device library's teardown
// then runs as main returns.
void RunScript(tvx::drive::Driver &driver, const std::vector<tvx::drive::Command> &commands,
               const tvx::StopSignals &stopSignals)
{
    driver.StopWhen([&stopSignals] { return stopSignals.Received() != 0; });
    for (const auto &command : commands) {
        if (driver.Stopped())
            return;
        driver.Run(command);
    }
    if (!driver.Stopped())
        driver.Finish();
}

// The device library's USB backend, with the system's device events as the
// wizard program has them.
int RunOnUsb(int argc, char **argv, const std::vector<tvx::drive::Command> &commands, bool strict,
             const tvx::StopSignals &stopSignals)
{
    tvx::UnsetEnvironmentVariable("TVX_SIMULATOR");
    tvx::drive::UsbEvents events(argc, argv);
    if (const char *why = events.Unavailable())
        std::cerr << "tvx-drive: " << why << "; terminals that restart are found by the return timer only\n";
    tvx::drive::Driver driver(std::cout, [&events] { events.Deliver(); });
    RunScript(driver, commands, stopSignals);
    return ExitCode(driver, strict, stopSignals);
}

// A path named on the command line (UTF-8), made absolute against the
// folder the program was started in.
std::string FromStartFolder(const std::string &path)
{
    std::filesystem::path named;
    std::error_code ignored;
    std::string absolute;
    if (!tvx::PathFromUtf8(path, &named) ||
        !tvx::Utf8FromPath(std::filesystem::absolute(named, ignored), &absolute) || absolute.empty())
        return path;
    return absolute;
}

int Run(int argc, char **argv)
{
    const tvx::cli::OptionSpec spec = {{"--scenario", "--lang", "--dir"}, {"--strict", "--usb", "--version"}};
    tvx::cli::CommandOptions options;
    std::string error;
    if (!tvx::cli::ParseCommandLine(spec, argc, argv, &options, &error))
        return UsageError(error);
    if (options.Has("--help")) {
        std::cout << kUsage;
        return kExitRan;
    }
    if (options.Has("--version")) {
        tvx::cli::PrintToolVersion(std::cout, "tvx-drive");
        return kExitRan;
    }
    if (options.positional.empty())
        return UsageError("no script given");
    if (options.positional.size() > 1)
        return UsageError("unexpected argument '" + options.positional[1] + "'");
    if (options.Has("--usb") && options.Has("--scenario"))
        return UsageError("--usb and --scenario exclude each other");
    if (options.Has("--lang") && !SetLanguage(options.Value("--lang")))
        return UsageError("unknown language '" + options.Value("--lang") + "'");

    const std::string scriptName = options.positional.front();
    std::vector<std::string> lines;
    if (scriptName == "-") {
        ReadLines(std::cin, &lines);
    } else {
        std::filesystem::path scriptPath;
        std::ifstream file;
        if (tvx::PathFromUtf8(scriptName, &scriptPath))
            file.open(scriptPath);
        if (!file || !ReadLines(file, &lines))
            return Failure("cannot read script '" + scriptName + "'");
    }
    std::vector<tvx::drive::Command> commands(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!tvx::drive::ParseCommand(lines[i], &commands[i], &error))
            return Failure(
                std::string(scriptName).append(":").append(std::to_string(i + 1)).append(": ").append(error));
    }

    const char *fromEnvironment = std::getenv("TVX_SIMULATOR");
    std::string scenario = options.Value("--scenario", fromEnvironment ? fromEnvironment : "demo");
    if (scenario != "demo")
        scenario = FromStartFolder(scenario);
    if (options.Has("--dir")) {
        const std::string folder = options.Value("--dir");
        std::filesystem::path folderPath;
        std::error_code entered = std::make_error_code(std::errc::invalid_argument);
        if (tvx::PathFromUtf8(folder, &folderPath))
            std::filesystem::current_path(folderPath, entered);
        if (entered)
            return Failure("cannot enter folder '" + folder + "': " + entered.message());
    }
    const bool strict = options.Has("--strict");
    const tvx::StopSignals stopSignals;
    if (options.Has("--usb"))
        return RunOnUsb(argc, argv, commands, strict, stopSignals);
    if (!tvxdfu::sim::UseScenario(scenario))
        return Failure("scenario '" + scenario + "' cannot be used");

    tvx::drive::Driver driver(std::cout);
    RunScript(driver, commands, stopSignals);
    return ExitCode(driver, strict, stopSignals);
}

} // namespace

int main(int argc, char **argv)
{
    return tvx::RunProgram("tvx-drive", [&] {
        tvx::ProgramArguments arguments(argc, argv); // UTF-8 on Windows too
        return Run(arguments.Count(), arguments.Values());
    });
}
