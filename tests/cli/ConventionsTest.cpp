// The programs' command lines follow the GNU conventions: -h and --help,
// --version, "--name=value" as well as "--name value", "--" ending the
// options, a usage error (exit 2) for a bare option or an unknown one;
// results on standard output, diagnostics on standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/ProgramRun.h"

TEST(CommandLine, EveryProgramFollowsTheConventions)
{
    const ScratchFolder folder;
    std::ofstream(folder.Path() + "/state.txt") << "state\n";
    std::ofstream(folder.Path() + "/-state.txt") << "state\n";
    const std::string tool = PPU_TOOL;
    const std::string drive = TVX_DRIVE_PROGRAM;
    // A platform that does not exist: had the wizard opened a window, it
    // would end in Qt's fatal error instead of exit 0.
    const std::string wizard = "QT_QPA_PLATFORM=no-such-platform TVX_SIMULATOR=demo " TVX_WIZARD_PROGRAM;
    // The version, then the key the build verifies packages with.
    const std::string version = std::string(TVX_VERSION) + "\npackage verify key SHA-256 ";
    struct Case {
        std::string command;
        int exitCode;
        std::string out; // expected in standard output ("" for nothing)
        std::string err; // expected in standard error ("" for nothing)
    } cases[] = {
        {tool + " --version", 0, "ppu-tool " + version, ""},
        {tool + " -h", 0, "Usage: ppu-tool ", ""},
        {tool + " --help", 0, "Usage: ppu-tool ", ""},
        {tool + " inspect -h", 0, "Usage: ppu-tool inspect ", ""},
        {tool + " make-image --output=eq.bin --size=2048 --firmware=3.19", 0, "", ""},
        {tool + " make-image --size=100 --output eq.bin", 2, "", "--size must be at least"},
        {tool + " make-image --output", 2, "", "ppu-tool make-image: --output needs a value"},
        {tool + " inspect --json=yes eq.ppu", 2, "", "ppu-tool inspect: --json takes no value"},
        {tool + " verify -odd.ppu", 2, "", "unknown option -o"},
        {tool + " verify -- -odd.ppu", 1, "", "-odd.ppu: rejected: the file cannot be opened"},
        {tool + " -- --version", 2, "", "unknown command --version"},
        {tool + " --bogus verify", 2, "", "ppu-tool: unknown option --bogus"},
        {drive + " --version", 0, "tvx-drive " + version, ""},
        {drive + " -h", 0, "Usage: tvx-drive ", ""},
        {drive + " --scenario=demo --lang=en state.txt", 0, "{\"state\":", ""},
        {drive + " --scenario demo --lang=xx state.txt", 2, "", "unknown language 'xx'"},
        {drive + " --scenario=demo -state.txt", 2, "", "unknown option -s"},
        {drive + " --scenario=demo -- -state.txt", 0, "{\"state\":", ""},
        {drive + " state.txt --dir", 2, "", "tvx-drive: --dir needs a value"},
        {drive + " --strict=yes state.txt", 2, "", "--strict takes no value"},
        {drive + " --usb --scenario=demo state.txt", 2, "", "--usb and --scenario exclude each other"},
        {wizard + " --version", 0, "TVXUpgrade " + version, ""},
        {wizard + " -h", 0, "Usage: TVXUpgrade ", ""},
    };
    for (const Case &c : cases) {
        const ProgramRun run = folder.Run(c.command);
        SCOPED_TRACE(c.command + "\nstdout: " + run.out + "\nstderr: " + run.err);
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.out.empty()) {
            EXPECT_EQ(run.out, "");
        } else {
            EXPECT_NE(run.out.find(c.out), std::string::npos);
        }
        if (c.err.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.err), std::string::npos);
        }
    }
    // The values given with '=' were taken.
    EXPECT_EQ(std::filesystem::file_size(folder.Path() + "/eq.bin"), 2048u);
}
