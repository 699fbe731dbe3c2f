// The fault campaign's USB slice: faults on the bus and in the DFU device,
// through the wizard to the end. Each row checks the state the wizard is
// left in and that nothing was lost: the package file keeps its bytes, a
// backup holds the image read back or the earlier file is untouched, and
// the terminal keeps its firmware and reports its old versions.
#include "tests/usb-e2e/UsbDriveFixture.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "dfulib/suffix/DfuSuffix.h"

namespace {

constexpr const char *kId = "K470A0001234";
const std::string kEarlierBackup = "an earlier backup, to be kept unless replaced by a complete one";

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string StatusBox(int status)
{
    const int textId = status + 192;
    return textId >= 102 && textId <= 129 ? EnglishText(static_cast<unsigned>(textId)) : kDeviceAbortText;
}

struct FaultRow {
    std::string name;
    std::function<void(TerminalSetup &)> fault;
    int32_t status;           // what the part ends with
    bool readBack = false;    // the backup is complete before the fault strikes
    bool pluggedBack = false; // the fault pulled it out; it is plugged in again
    bool returns = true;      // it is on the bus again at the end
};

class UsbFaultSlice : public UsbDriveTest {
protected:
    void RunRow(const FaultRow &row);
};

void UsbFaultSlice::RunRow(const FaultRow &row)
{
    TerminalSetup setup = UsbThreePartTerminal(kId);
    setup.dfu.transferSize = 256; // the part's 2048 bytes in 8 blocks
    row.fault(setup);
    TestbedTerminal &terminal = Plug(setup);
    const std::vector<uint8_t> image = terminal.Device().Firmware();
    Open();
    Pack("fit.ppu", FirmwarePackage470());
    const std::string package = ReadFile(folder + "/fit.ppu");
    const std::string backup = folder + "/previous.bak";
    std::ofstream(backup, std::ios::binary) << kEarlierBackup;

    Drive("select 0\nnext\npackage fit.ppu\nnext\nbackup " + backup);
    const std::size_t before = BoxCount();
    Drive("next");
    Follow(60'000);

    std::vector<std::string> boxes = Boxes(before);
    std::erase(boxes, std::string(kReadyCaption));
    std::erase(boxes, std::string(kStartCaption));
    EXPECT_EQ(boxes, std::vector<std::string>{StatusBox(row.status)});
    EXPECT_EQ(Dialog().currentStep, StepUpgrade);
    EXPECT_TRUE(Usable(D::cancelButton));
    EXPECT_FALSE(Usable(D::finishButton));
    EXPECT_FALSE(Usable(D::nextButton));
    for (unsigned timer : {ProgressTimer, SpinnerTimer, ReturnTimer})
        EXPECT_FALSE(Window().IsTimerActive(timer)) << "timer " << timer << " still armed";

    EXPECT_TRUE(ReadFile(folder + "/fit.ppu") == package) << "the package file changed";
    const std::string saved = ReadFile(backup);
    if (row.readBack) {
        ASSERT_EQ(saved.size(), image.size() + tvx::kDfuSuffixLength);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), reinterpret_cast<const uint8_t *>(saved.data())));
        EXPECT_TRUE(tvx::DfuSuffixCrcMatches(reinterpret_cast<const uint8_t *>(saved.data()), saved.size()));
        EXPECT_EQ(ReadFile(backup + "~"), kEarlierBackup) << "the earlier backup was not kept beside";
    } else {
        EXPECT_EQ(saved, kEarlierBackup) << "the earlier backup was touched";
    }
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()),
        row.readBack ? 3 : 2)
        << "files left beside the package and the backup";

    EXPECT_TRUE(terminal.Device().Firmware() == image) << "the terminal's firmware changed";
    if (row.pluggedBack)
        Bus().Plug(kId);
    if (row.returns) {
        ASSERT_TRUE(Bus().WaitFor([&] { return !Bus().DeviceNode(kId).empty(); }, 5000));
        uint32_t firmware = 0, loader = 0;
        ReadTerminal(kId, &firmware, &loader);
        EXPECT_EQ(firmware, 0x01040600u);
        EXPECT_EQ(loader, 0x01010402u);
    }
}

TEST_F(UsbFaultSlice, StallInTheMiddleOfTheDownload)
{
    RunRow({"stall", [](TerminalSetup &s) { s.stallAtBlock = 4; }, tvxdfu::usb::kStatusErrStalledPkt - 90,
            true});
}

TEST_F(UsbFaultSlice, ErrorStatusInTheMiddleOfTheDownload)
{
    RunRow({"error status",
            [](TerminalSetup &s) {
                s.dfu.faults = {{tvxdfu::usb::DfuRequest::Dnload, 4, tvxdfu::usb::kStatusErrWrite}};
            },
            tvxdfu::usb::kStatusErrWrite - 90, true});
}

TEST_F(UsbFaultSlice, TerminalLeavesTheBusInTheMiddleOfThePart)
{
    RunRow({"pulled out", [](TerminalSetup &s) { s.unplugAtBlock = 4; }, -73, true, true});
}

// It detaches and never shows up in its loader: the library gives up after
// its 30 s wait, before anything is read or written.
TEST_F(UsbFaultSlice, TerminalThatNeverComesBack)
{
    RunRow(
        {"never back", [](TerminalSetup &s) { s.dfu.returnsAfterReset = false; }, -71, false, false, false});
}

} // namespace
