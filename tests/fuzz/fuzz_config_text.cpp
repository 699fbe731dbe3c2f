// The configuration file: its text as read at start-up, the names split out
// of it, and those names looked up among real package files in the folder
// and loaded as the batch identifies them: genuine packages for two terminal
// models, a cut one, a named pipe and a file past the size cap.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "config/ConfigFile.h"
#include "dfulib/sim/SimulatorControl.h"
#include "platform/ScriptedWindow.h"
#include "tests/fuzz/GenuinePackage.h"
#include "tools/ppu-tool/PartImageMaker.h"
#include "wizard/CTVXUpgradeDlg.h"

using namespace tvx::fuzz;

namespace {

// The wizard reads its configuration from the working folder: each input is
// tried in a folder of its own, and the fuzzer's own folder is restored after
// it, since libFuzzer reads its corpus by relative paths.
class InScratchFolder {
public:
    InScratchFolder() : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(ScratchFolder());
    }
    ~InScratchFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

std::vector<uint8_t> ReadAll(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFirmwarePackage(const std::string &name, const std::string &terminalType,
                          const PartImageSpec &image)
{
    WriteGenuinePackage((ScratchFolder() / name).string(),
                        {R"({"Catalog version": "2", "Terminal information": {"Terminal type": ")" +
                             terminalType +
                             R"("}, "File list": [{"File name": "fw.dfu", "Type": "Firmware"}]})",
                         {{"fw.dfu.enc", BuildPartImage(image)}}});
}

// The package files the names may meet, made once, and a terminal of each
// model on the simulated bus for the device list a batch filters.
void MakePackageFolder()
{
    PartImageSpec threePart;
    threePart.generation = 1;
    threePart.firmware = 0x040700;
    threePart.loader = 0x010402;
    threePart.ident = 12345;
    threePart.productId = 0x1D6;
    WriteFirmwarePackage("alpha.ppu", "470", threePart);
    threePart.firmware = 0x040701;
    WriteFirmwarePackage("beta.ppu", "470", threePart);
    PartImageSpec bcd;
    bcd.firmware = 0x0320;
    bcd.loader = 0x0111;
    bcd.productId = 0x1CC;
    WriteFirmwarePackage("Gamma.PPU", "460", bcd);

    const std::vector<uint8_t> alpha = ReadAll(ScratchFolder() / "alpha.ppu");
    std::vector<uint8_t> cut(alpha.begin(), alpha.begin() + static_cast<std::ptrdiff_t>(alpha.size() / 2));
    cut.insert(cut.end(), alpha.end() - kSignatureLength, alpha.end());
    WriteAll(ScratchFolder() / "cut.ppu", cut);
    WriteAll(ScratchFolder() / "huge.ppu", {});
    std::filesystem::resize_file(ScratchFolder() / "huge.ppu", kMaxPackageLength - kSignatureLength + 1);
    std::ofstream(ScratchFolder() / "huge.ppu", std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char *>(alpha.data() + alpha.size() - kSignatureLength),
               kSignatureLength);
    Expect(::mkfifo((ScratchFolder() / "pipe.ppu").c_str(), 0600) == 0, "named pipe made");

    Expect(tvxdfu::sim::UseScenarioJson(
               R"({"terminals": [{"id": "K470A01", "model": "VORN 470 M online", "vendorCode": "KOTRX",
                   "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2", "deviceType": 470,
                   "identNumber": 12345},
                  {"id": "K460B01", "model": "VORN 460 M", "vendorCode": "KOTRX", "versionFormat": "bcd",
                   "firmware": "0x0302", "loader": "0x0110", "deviceType": 460, "identNumber": 46001}]})"),
           "simulated bus");
}

void CheckText(const std::string &text, std::size_t fileSize)
{
    Expect(text.size() <= fileSize && text.size() <= kMaxConfigBytes, "text length");
    for (unsigned char c : text)
        Expect(c >= 0x20, "control bytes dropped");
    const std::vector<std::string> names = SplitConfigNames(text);
    Expect(names.size() <= kMaxConfigNames, "at most six names");
    for (const std::string &name : names)
        Expect(!name.empty() && name.find('.') == std::string::npos && text.find(name) != std::string::npos,
               "names are the texts between full stops");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool folderMade = (MakePackageFolder(), true);
    (void)folderMade;
    const InScratchFolder scratch;
    {
        std::ofstream out(kConfigFileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    }

    std::string text = "stale";
    const uint32_t result = ReadConfigText(kConfigFileName, &text);
    if (size < 1 || size > kMaxConfigBytes)
        Expect(result == 1006 && text.empty(), "size refused");
    else if (result == 0)
        CheckText(text, size);
    else
        Expect(false, "a regular file of 1 to 255 bytes is read");

    // The package list as the package step fills it from the folder, the
    // lookup and the batch's identification of the files.
    tvx::ScriptedWindow window(90);
    MonitorMemory monitor;
    CTVXUpgradeDlg dialog(window, monitor);
    dialog.ApplyConfiguration();
    Expect(window.MessageBoxes().size() <= 1, "at most one message");
    const int listed = window.ComboCount(CTVXUpgradeDlg::packageCombo);
    Expect(dialog.batch.batchCount <= kMaxConfigNames, "at most six files");
    for (uint32_t n = 0; n < dialog.batch.batchCount; ++n) {
        Expect(static_cast<int>(dialog.batch.batchListIndex[n]) < listed, "batch list index inside the list");
        const std::string file = window.ComboItemText(CTVXUpgradeDlg::packageCombo,
                                                      static_cast<int>(dialog.batch.batchListIndex[n]));
        Expect(file != "cut.ppu" && file != "pipe.ppu" && file != "huge.ppu",
               "only genuine packages join a batch");
    }
    return 0;
}
