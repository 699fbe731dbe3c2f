// A read-back through the real libusb that is no backup to keep.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/dfulib-testbed/TestbedFixture.h"

namespace tvxdfu::usb::testbed {
namespace {

// A terminal that answers 300 bytes to the read-back though the header they
// start with (three-part, layout 2) takes 648: the backup fails as a backup
// that cannot be written does, the earlier backup stays as it was, and the
// terminal's firmware is not touched.
TEST_F(TestbedTest, ReadBackShorterThanItsImageHeaderKeepsTheEarlierBackupAndTheFirmware)
{
    TerminalSetup setup = ThreePartTerminal("K470A0000300");
    std::vector<uint8_t> stub(300, 0x5A);
    const uint8_t layout2Header[4] = {0x00, 0x02, 0x01, 0x00};
    std::copy(std::begin(layout2Header), std::end(layout2Header), stub.begin());
    setup.dfu.firmware = stub;
    TestbedTerminal &terminal = testbed_->Add(setup);
    UseUsbBackend();

    std::string folder = (std::filesystem::temp_directory_path() / "tvx-readback-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const std::string backup = folder + "/terminal.bak";
    std::ofstream(backup, std::ios::binary) << "earlier backup";

    ASSERT_EQ(TVXDeviceFirmwareUpgrade(Id("K470A0000300").bytes, 16,
                                       Part(Image(0x01040700, 0x01010402)).Entry(), backup.c_str()),
              0u);
    const PartEnd end = PollToEnd();
    EXPECT_EQ(end.status, static_cast<int32_t>(UPG_HOST_ERROR));
    EXPECT_EQ(std::count(end.phases.begin(), end.phases.end(), TVXDFU_PHASE_DOWNLOAD), 0)
        << "the download went on";
    EXPECT_TRUE(terminal.Device().Firmware() == stub) << "the terminal's firmware changed";
    std::ifstream in(backup, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              "earlier backup");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace tvxdfu::usb::testbed
