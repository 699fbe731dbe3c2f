// The tvx-drive program with --usb: a whole upgrade of a terminal on the
// testbed, which the program, a process of its own, reaches through the
// preload and the testbed folder it inherits.
#include "UsbDriveFixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST_F(UsbDriveTest, DriveProgramUpgradesATerminalOnUsb)
{
    TestbedTerminal &terminal = Plug(UsbThreePartTerminal("K470A0001234"));
    Pack("fit.ppu", FirmwarePackage470());
    std::ofstream(folder + "/script.txt") << "select 0\nnext\npackage fit.ppu\nnext\nbackup off\nnext\nwait-idle 60\n";

    const std::string command = std::string(TVX_DRIVE_PROGRAM) + " --usb --lang en --dir " + folder + " " + folder +
                                "/script.txt >" + folder + "/out.txt 2>" + folder + "/err.txt";
    const int status = std::system(command.c_str());
    const std::string out = ReadFile(folder + "/out.txt");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << ReadFile(folder + "/err.txt");
    EXPECT_NE(out.find("erfolgreich abgeschlossen"), std::string::npos) << out;
    EXPECT_NE(out.find("K470A0001234"), std::string::npos) << out;
    EXPECT_EQ(terminal.Firmware(), 0x01040700u);
    EXPECT_EQ(Bus().Arrivals("K470A0001234"), 3);
}

} // namespace
