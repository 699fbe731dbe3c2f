// The configuration file: its text as read at start-up, the names split out
// of it, and those names looked up in the package list.

#include <filesystem>
#include <fstream>

#include "CTVXUpgradeDlg.h"
#include "ConfigFile.h"
#include "FuzzSupport.h"
#include "ScriptedWindow.h"

using namespace tvx::fuzz;

namespace {

// The wizard reads its configuration from the working folder: each input is
// tried in a folder of its own, and the fuzzer's own folder is restored after
// it, since libFuzzer reads its corpus by relative paths.
class InScratchFolder {
public:
    InScratchFolder() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(ScratchFolder()); }
    ~InScratchFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

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

    // The package list as the package step fills it, then the lookup.
    tvx::ScriptedWindow window(90);
    MonitorMemory monitor;
    CTVXUpgradeDlg dialog(window, monitor);
    for (const char *entry : {"[..]", "[sub]", "alpha.ppu", "Beta.PPU", "x.ppu", ".ppu", "ppu"})
        window.ComboAddString(CTVXUpgradeDlg::packageCombo, entry);
    dialog.ApplyConfiguration();
    Expect(window.MessageBoxes().size() <= 1, "at most one message");
    for (uint32_t index : dialog.batchListIndex)
        Expect(index < 7, "batch list index inside the list");
    return 0;
}
