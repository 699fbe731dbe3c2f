// Selecting a terminal in the device list: its texts, its kind of version
// numbers and its current versions.
#include <cstring>

#include "device/DeviceId.h"
#include "device/ProductTextMarkers.h"
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"
#include "wizard/PartLabels.h"

namespace {

class WaitCursor {
public:
    explicit WaitCursor(tvx::DialogWindow &window) : window_(window) { window_.SetWaitCursor(true); }
    ~WaitCursor() { window_.SetWaitCursor(false); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    tvx::DialogWindow &window_;
};

void ClearSelection(CTVXUpgradeDlg &dialog)
{
    // Changes: terminal.
    tvx::DialogWindow &window = dialog.window;
    window.SetControlText(CTVXUpgradeDlg::versionBeforeText, "");
    window.SetControlText(CTVXUpgradeDlg::productInfoText, "");
    window.SetControlText(CTVXUpgradeDlg::deviceIdText, "");
    dialog.terminal.selectedDeviceNumber = 0;
    std::memset(dialog.terminal.selectedDeviceId, 0, sizeof dialog.terminal.selectedDeviceId);
    window.EnableControl(CTVXUpgradeDlg::nextButton, false);
    window.ShowControl(CTVXUpgradeDlg::hintText, false);
    if (dialog.batch.batchCount > 0) {
        window.SetControlText(CTVXUpgradeDlg::partCounterText, "");
        window.SetControlText(CTVXUpgradeDlg::downloadFileText, "");
        window.SetControlText(CTVXUpgradeDlg::versionViaFileText, "");
    }
    dialog.terminal.deviceInDfuMode = 0;
}

// Versions stated in the product text: "V " gives the running program's
// version, "V." the other one; "RTM" or "DFU" says which is which.
// False when the text cannot be understood.
bool ReadThreePartVersions(CTVXUpgradeDlg &dialog, const std::string &upper)
{
    // Changes: terminal.
    dialog.terminal.threePartVersion = 1;
    dialog.terminal.firmwareVersion3 = 0;
    dialog.terminal.loaderVersion3 = 0;
    dialog.terminal.firmwareVersionText.clear();
    dialog.terminal.loaderVersionText.clear();

    if (Contains(upper, "KOTRX"))
        dialog.terminal.secondVendorDevice = 0;
    else if (Contains(upper, "DEBRV"))
        dialog.terminal.secondVendorDevice = 1;
    else
        return false;

    if (Contains(upper, "VORN 47"))
        dialog.terminal.deviceType = 470;
    else if (Contains(upper, "VORN 46"))
        dialog.terminal.deviceType = 460;
    else
        return false;

    uint32_t running = 0;
    uint32_t other = 0;
    int runningHasThree = 0;
    int otherHasThree = 0;
    if (ParseVersionAfterMarker(upper.c_str(), "V ", &running, &runningHasThree) != 0 ||
        runningHasThree != 1 || ParseVersionAfterMarker(upper.c_str(), "V.", &other, &otherHasThree) != 0 ||
        otherHasThree != 1)
        return false;

    if (Contains(upper, "RTM")) {
        dialog.terminal.firmwareVersion3 = running;
        dialog.terminal.loaderVersion3 = other;
        dialog.terminal.deviceInDfuMode = 0;
    } else if (Contains(upper, "DFU")) {
        dialog.terminal.loaderVersion3 = running;
        dialog.terminal.firmwareVersion3 = other;
        dialog.terminal.deviceInDfuMode = 1;
    } else {
        dialog.terminal.deviceInDfuMode = 0;
        return false;
    }

    const uint32_t firmware = dialog.terminal.firmwareVersion3;
    const uint32_t loader = dialog.terminal.loaderVersion3;
    dialog.terminal.firmwareVersionText = FormatVersion3(firmware);
    dialog.terminal.loaderVersionText = FormatVersion3(loader);
    dialog.window.SetControlText(CTVXUpgradeDlg::versionBeforeText,
                                 "V " + ShortVersion3(firmware) + " + Loader V " + ShortVersion3(loader));
    return true;
}

// Versions asked from the terminal as BCD values. False when the terminal
// does not answer or its firmware version is not BCD.
bool ReadBcdVersions(CTVXUpgradeDlg &dialog)
{
    // Changes: terminal.
    dialog.terminal.deviceInDfuMode = 0;
    dialog.terminal.threePartVersion = 0;
    uint32_t firmware = 0;
    uint32_t loader = 0;
    const uint32_t result = dialog.AskSelectedTerminal(&firmware, &loader, &dialog.terminal.deviceType);
    dialog.terminal.firmwareVersionBefore = static_cast<uint16_t>(firmware);
    dialog.terminal.loaderVersionBefore = static_cast<uint16_t>(loader);
    dialog.terminal.secondVendorDevice = ContainsSecondVendorWord(dialog.terminal.deviceIdentText);
    if (result != 0)
        return false;

    dialog.ShowDeviceVersion(CTVXUpgradeDlg::versionBeforeText);
    if (!IsValidBcdVersion(dialog.terminal.firmwareVersionBefore))
        return false;
    if (!IsValidBcdVersion(dialog.terminal.loaderVersionBefore))
        dialog.terminal.loaderVersionBefore = 0;

    if (dialog.batch.batchCount > 0)
        WritePartLabels(dialog, dialog.NextPartNumber());
    return true;
}

} // namespace

void CTVXUpgradeDlg::OnDeviceSelectionChanged(int, unsigned, unsigned newState)
{
    // Changes: terminal.
    const WaitCursor waitCursor(window);
    if (currentStep != StepSelectDevice && currentStep != StepNextPart)
        return;

    const int row = window.ListFirstSelectedRow(deviceList);
    if (row < 0) {
        ClearSelection(*this);
        return;
    }
    if ((newState & tvx::LVIS_SELECTED) == 0)
        return;

    // Each path below reads only what its kind of terminal states: nothing
    // the terminal selected before said may stand in for the rest.
    terminal = {};
    terminal.selectedDeviceNumber = row + 1;
    StoreDeviceId(terminal.selectedDeviceId, window.ListItemText(deviceList, row, 2));
    terminal.selectedProductInfo = window.ListItemText(deviceList, row, 1);
    window.SetControlText(productInfoText, terminal.selectedProductInfo);
    window.SetControlText(deviceIdText, window.ListItemText(deviceList, row, 2));
    window.EnableControl(nextButton, true);
    window.ShowControl(hintText, true);

    // The selection and Next stay as they are: the user may still go on.
    const std::string upper = UpperCaseCopy(terminal.selectedProductInfo);
    const bool understood =
        Contains(upper, "V ") ? ReadThreePartVersions(*this, upper) : ReadBcdVersions(*this);
    if (!understood)
        localMessageBox(159, tvx::MB_ICONERROR);
}
