// tvx-drive: runs the wizard headless on simulated terminals in virtual time
// from a script, writing every message box and the state as JSON lines; with
// --usb on the terminals attached by USB, in real time.
#include <QCoreApplication>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "Driver.h"
#include "SimulatorControl.h"
#include "UdevMonitor.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: tvx-drive [--scenario FILE|demo | --usb] [--lang en|de|fr] [--dir FOLDER] SCRIPT\n"
    "  --usb drives the terminals attached by USB, in real time.\n"
    "  SCRIPT '-' reads standard input. One command a line, '#' starts a comment:\n"
    "    select ROW | next | package INDEX | package PATH | backup PATH | backup off\n"
    "    about | cancel | finish | answer ok|cancel | wait SECONDS | wait-idle [SECONDS]\n"
    "    plug ID | unplug ID | state\n"
    "  Writes one JSON object a line: {\"box\":...} for every message box and\n"
    "  {\"state\":...} on 'state' and at the end. Exit 0 when the script ran, 2 when\n"
    "  it could not.\n";

int UsageError(const std::string &message)
{
    std::cerr << "tvx-drive: " << message << "\n" << kUsage;
    return kUsageError;
}

bool SetLanguage(const std::string &language)
{
    const char *locale = language == "de" ? "de_DE.UTF-8"
                         : language == "fr" ? "fr_FR.UTF-8"
                         : language == "en" ? "en_US.UTF-8"
                                            : nullptr;
    if (!locale)
        return false;
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", locale, 1);
    return true;
}

bool ReadLines(std::istream &in, std::vector<std::string> *lines)
{
    for (std::string line; std::getline(in, line);)
        lines->push_back(line);
    return !in.bad();
}

void RunScript(tvx::drive::Driver &driver, const std::vector<tvx::drive::Command> &commands)
{
    for (const auto &command : commands)
        driver.Run(command);
    driver.Finish();
}

// The device library's USB backend, with the wizard's own udev monitor as
// the source of device events, delivered through the toolkit's event loop.
int RunOnUsb(int argc, char **argv, const std::vector<tvx::drive::Command> &commands)
{
    unsetenv("TVX_SIMULATOR");
    QCoreApplication application(argc, argv);
    tvx::UdevMonitor monitor;
    if (!monitor.IsActive())
        std::cerr << "tvx-drive: udev cannot be reached; terminals that restart are found by the return timer only\n";
    tvx::drive::Driver driver(std::cout, [] { QCoreApplication::processEvents(); });
    RunScript(driver, commands);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string scenario = std::getenv("TVX_SIMULATOR") ? std::getenv("TVX_SIMULATOR") : "demo";
    std::string scriptPath;
    bool usb = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help" || argument == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (argument == "--scenario" && hasValue) {
            scenario = argv[++i];
        } else if (argument == "--usb") {
            usb = true;
        } else if (argument == "--lang" && hasValue) {
            if (!SetLanguage(argv[++i]))
                return UsageError(std::string("unknown language '") + argv[i] + "'");
        } else if (argument == "--dir" && hasValue) {
            if (::chdir(argv[++i]) != 0)
                return UsageError(std::string("cannot enter folder '") + argv[i] + "': " + std::strerror(errno));
        } else if (scriptPath.empty() && (argument == "-" || argument.rfind("--", 0) != 0)) {
            scriptPath = argument;
        } else {
            return UsageError("unexpected argument '" + argument + "'");
        }
    }
    if (scriptPath.empty())
        return UsageError("no script given");

    std::vector<std::string> lines;
    if (scriptPath == "-") {
        ReadLines(std::cin, &lines);
    } else {
        std::ifstream file(scriptPath);
        if (!file || !ReadLines(file, &lines))
            return UsageError("cannot read script '" + scriptPath + "'");
    }
    std::vector<tvx::drive::Command> commands(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string error;
        if (!tvx::drive::ParseCommand(lines[i], &commands[i], &error))
            return UsageError(scriptPath + ":" + std::to_string(i + 1) + ": " + error);
    }
    if (usb)
        return RunOnUsb(argc, argv, commands);
    if (!tvxdfu::sim::UseScenario(scenario))
        return UsageError("scenario '" + scenario + "' cannot be used");

    tvx::drive::Driver driver(std::cout);
    RunScript(driver, commands);
    return 0;
}
