// The configuration file applied when the wizard opens: the named package
// files are looked up in the package list.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "CTVXUpgradeDlg.h"
#include "ConfigFile.h"

namespace {

constexpr std::size_t kExtensionLength = 4; // ".ppu"

std::string ListEntryName(const std::string &entry)
{
    std::string name = entry.substr(0, entry.size() > kExtensionLength ? entry.size() - kExtensionLength : 0);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// Reading the versions and hardware codes of a named file belongs to the
// batch run, which is not built yet: until then no named file counts as
// identified, so naming any package ends in the check message.
bool IdentifyBatchFile(CTVXUpgradeDlg &, int /*listIndex*/, std::size_t /*slot*/) { return false; }

} // namespace

void CTVXUpgradeDlg::ApplyConfiguration()
{
    batchCount = 0;
    batchRemaining = 0;
    std::memset(batchListIndex, 0, sizeof batchListIndex);
    std::memset(batchFirmwareVersion, 0, sizeof batchFirmwareVersion);
    std::memset(batchLoaderVersion, 0, sizeof batchLoaderVersion);
    std::memset(batchProductId, 0, sizeof batchProductId);
    std::memset(batchHardwareList, 0, sizeof batchHardwareList);

    // No file, or one that cannot be used, is the normal case: no message.
    std::string text;
    if (ReadConfigText(kConfigFileName, &text) != 0)
        return;
    const std::vector<std::string> names = SplitConfigNames(text);
    if (names.empty())
        return;

    std::size_t matched = 0;
    for (int index = window.ComboCount(packageCombo) - 1; index >= 0; --index) {
        const std::string entryName = ListEntryName(window.ComboItemText(packageCombo, index));
        const auto found = std::find(names.begin(), names.end(), entryName);
        if (found == names.end())
            continue;
        const auto slot = static_cast<std::size_t>(found - names.begin());
        batchListIndex[slot] = static_cast<uint32_t>(index);
        if (!IdentifyBatchFile(*this, index, slot)) {
            matched = 0;
            break;
        }
        ++matched;
    }
    if (matched != names.size())
        localMessageBox(188, tvx::MB_ICONERROR);
}
