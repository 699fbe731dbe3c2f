// The tvx-drive program with --usb: a whole upgrade of a terminal on the
// testbed, which the program, a process of its own, reaches through the
// preload and the testbed folder it inherits.
#include "tests/usb-e2e/UsbDriveFixture.h"

#include <signal.h>

#include <fstream>
#include <iterator>

#include "tests/support/ProgramRun.h"

namespace {

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(UsbDriveTest, DriveProgramUpgradesATerminalOnUsb)
{
    TestbedTerminal &terminal = Plug(UsbThreePartTerminal("K470A0001234"));
    Pack("fit.ppu", FirmwarePackage470());
    std::ofstream(folder + "/script.txt")
        << "select 0\nnext\npackage fit.ppu\nnext\nbackup off\nnext\nwait-idle 60\n";

    const ProgramRun run = RunInFolder(folder, std::string(TVX_DRIVE_PROGRAM) + " --usb --lang en --dir " +
                                                   folder + " " + folder + "/script.txt");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("erfolgreich abgeschlossen"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("K470A0001234"), std::string::npos) << run.out;
    EXPECT_EQ(terminal.Firmware(), 0x01040700u);
    EXPECT_EQ(Bus().Arrivals("K470A0001234"), 3);
}

// SIGTERM while the terminal holds a block of the download: the program
// ends the normal way, so the library's teardown gives the terminal ABORT,
// and the shell sees the signal's status.
TEST_F(UsbDriveTest, DriveProgramStoppedBySigtermAbortsTheDownload)
{
    TerminalSetup setup = UsbThreePartTerminal("K470A0001234");
    setup.dfu.transferSize = 256; // the part in 8 blocks
    setup.silentAtBlock = 2;
    TestbedTerminal &terminal = Plug(setup);
    Pack("fit.ppu", FirmwarePackage470());
    const std::string package = ReadFile(folder + "/fit.ppu");
    const std::string backup = folder + "/previous.bak";
    std::ofstream(folder + "/script.txt")
        << "select 0\nnext\npackage fit.ppu\nnext\nbackup " + backup + "\nnext\nwait-idle 600\n";

    RunningProgram drive(folder, std::string(TVX_DRIVE_PROGRAM) + " --usb --lang en --dir " + folder + " " +
                                     folder + "/script.txt");
    ASSERT_TRUE(Bus().WaitFor([&] { return Bus().HeldTransfers() == 1; }, 120'000)) << drive.ErrSoFar();
    const std::string savedBackup = ReadFile(backup);
    ASSERT_EQ(kill(drive.Pid(), SIGTERM), 0);
    const ProgramRun run = drive.Wait();

    EXPECT_EQ(run.exitCode, 128 + SIGTERM) << run.err;
    EXPECT_NE(run.err.find("tvx-drive: stopped by SIGTERM\n"), std::string::npos) << run.err;
    EXPECT_EQ(terminal.Device().Log().downloadBlocks, (std::vector<uint16_t>{0, 1}));
    EXPECT_EQ(terminal.Device().Log().aborts, 1);
    EXPECT_EQ(terminal.Device().State(), tvxdfu::usb::DfuState::DfuIdle);
    EXPECT_EQ(terminal.Firmware(), 0x01040600u);
    EXPECT_TRUE(ReadFile(folder + "/fit.ppu") == package) << "the package file changed";
    EXPECT_FALSE(savedBackup.empty());
    EXPECT_TRUE(ReadFile(backup) == savedBackup) << "the backup changed";
}

} // namespace
