// The configuration file applied when the wizard opens: the named package
// files are looked up in the current folder and, when all of them can be
// applied to one terminal, the wizard starts in a batch of them.
#include <algorithm>
#include <cctype>

#include "config/ConfigFile.h"
#include "wizard/BatchRun.h"
#include "wizard/CTVXUpgradeDlg.h"
#include "wizard/ConfigBatchFile.h"

namespace {

constexpr std::size_t kExtensionLength = 4; // ".ppu"

std::string ListEntryName(const std::string &entry)
{
    std::string name = entry.substr(0, entry.size() > kExtensionLength ? entry.size() - kExtensionLength : 0);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// Each name matched by exactly one file of the list, and every file
// identified. A name that two entries match (names differing only in letter
// case) is as unusable as one that none matches.
bool MatchNames(CTVXUpgradeDlg &dialog, const std::vector<std::string> &names)
{
    // Changes: batch.
    tvx::DialogWindow &window = dialog.window;
    std::vector<bool> matched(names.size(), false);
    for (int index = window.ComboCount(CTVXUpgradeDlg::packageCombo) - 1; index >= 0; --index) {
        const std::string entry = window.ComboItemText(CTVXUpgradeDlg::packageCombo, index);
        const auto found = std::find(names.begin(), names.end(), ListEntryName(entry));
        if (found == names.end())
            continue;
        const auto slot = static_cast<std::size_t>(found - names.begin());
        if (matched[slot] || !IdentifyBatchFile(dialog, entry, slot))
            return false;
        dialog.batch.batchListIndex[slot] = static_cast<uint32_t>(index);
        matched[slot] = true;
    }
    return std::all_of(matched.begin(), matched.end(), [](bool m) { return m; });
}

// One terminal takes the whole batch only when all files are for one product
// family, the high byte of their product ids, and for one terminal model:
// the family alone does not tell a 470 package from a 460 one.
bool OneTerminalModel(const CTVXUpgradeDlg &dialog, std::size_t count)
{
    for (std::size_t i = 1; i < count; ++i)
        if (dialog.batch.batchProductId[i] >> 8 != dialog.batch.batchProductId[0] >> 8 ||
            dialog.batch.batchTerminalType[i] != dialog.batch.batchTerminalType[0])
            return false;
    return true;
}

} // namespace

void CTVXUpgradeDlg::ApplyConfiguration()
{
    // Changes: batch, currentStep.
    batch = {};

    // No file, or one that cannot be used, is the normal case: no message.
    std::string text;
    if (ReadConfigText(FindConfigFile(), &text) != 0)
        return;
    const std::vector<std::string> names = SplitConfigNames(text);
    if (names.empty())
        return;

    // The package step fills the list only later; the batch needs it now.
    window.ComboReset(packageCombo);
    window.ComboAddDirectory(packageCombo, "*.PPU");
    if (!MatchNames(*this, names) || !OneTerminalModel(*this, names.size())) {
        batch = {};
        window.ComboReset(packageCombo);
        localMessageBox(188, tvx::MB_ICONERROR);
        return;
    }

    batch.batchCount = static_cast<uint32_t>(names.size());
    batch.batchRemaining = batch.batchCount - 1;
    SelectBatchFile(*this, 0);
    currentStep = StepNextPart;
    RefreshDeviceList(); // listed before the batch was known: filter it now
}
