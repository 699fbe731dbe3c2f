// The tvx-drive program with --usb: a whole upgrade of a terminal on the
// testbed, which the program, a process of its own, reaches through the
// preload and the testbed folder it inherits.
#include "UsbDriveFixture.h"

#include <fstream>

#include "ProgramRun.h"

namespace {

TEST_F(UsbDriveTest, DriveProgramUpgradesATerminalOnUsb)
{
    TestbedTerminal &terminal = Plug(UsbThreePartTerminal("K470A0001234"));
    Pack("fit.ppu", FirmwarePackage470());
    std::ofstream(folder + "/script.txt") << "select 0\nnext\npackage fit.ppu\nnext\nbackup off\nnext\nwait-idle 60\n";

    const ProgramRun run = RunInFolder(folder, std::string(TVX_DRIVE_PROGRAM) + " --usb --lang en --dir " + folder +
                                                   " " + folder + "/script.txt");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("erfolgreich abgeschlossen"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("K470A0001234"), std::string::npos) << run.out;
    EXPECT_EQ(terminal.Firmware(), 0x01040700u);
    EXPECT_EQ(Bus().Arrivals("K470A0001234"), 3);
}

} // namespace
