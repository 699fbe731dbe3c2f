// Selecting a terminal in the device list: its texts, its kind of version
// numbers and its current versions.
#include <cstring>

#include "CTVXUpgradeDlg.h"
#include "DeviceId.h"
#include "PartLabels.h"
#include "ProductText.h"
#include "TextFormat.h"
#include "Versions.h"

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

int Major(uint32_t version) { return static_cast<int>(version >> 16 & 0xFF); }
int Minor(uint32_t version) { return static_cast<int>(version >> 8 & 0xFF); }
int Patch(uint32_t version) { return static_cast<int>(version & 0xFF); }

void ClearSelection(CTVXUpgradeDlg &dialog)
{
    tvx::DialogWindow &window = dialog.window;
    window.SetControlText(CTVXUpgradeDlg::versionBeforeText, "");
    window.SetControlText(CTVXUpgradeDlg::productInfoText, "");
    window.SetControlText(CTVXUpgradeDlg::deviceIdText, "");
    dialog.selectedDeviceNumber = 0;
    std::memset(dialog.selectedDeviceId, 0, sizeof dialog.selectedDeviceId);
    window.EnableControl(CTVXUpgradeDlg::nextButton, false);
    window.ShowControl(CTVXUpgradeDlg::hintText, false);
    if (dialog.batchCount > 0) {
        window.SetControlText(CTVXUpgradeDlg::partCounterText, "");
        window.SetControlText(CTVXUpgradeDlg::downloadFileText, "");
        window.SetControlText(CTVXUpgradeDlg::versionViaFileText, "");
    }
    dialog.deviceInDfuMode = 0;
}

// Versions stated in the product text: "V " gives the running program's
// version, "V." the other one; "RTM" or "DFU" says which is which.
// False when the text cannot be understood.
bool ReadThreePartVersions(CTVXUpgradeDlg &dialog, const std::string &upper)
{
    dialog.threePartVersion = 1;
    dialog.firmwareVersion3 = 0;
    dialog.loaderVersion3 = 0;
    dialog.firmwareVersionText.clear();
    dialog.loaderVersionText.clear();

    if (Contains(upper, "KOTRX"))
        dialog.secondVendorDevice = 0;
    else if (Contains(upper, "DEBRV"))
        dialog.secondVendorDevice = 1;
    else
        return false;

    if (Contains(upper, "VORN 47"))
        dialog.deviceType = 470;
    else if (Contains(upper, "VORN 46"))
        dialog.deviceType = 460;
    else
        return false;

    uint32_t running = 0;
    uint32_t other = 0;
    int runningHasThree = 0;
    int otherHasThree = 0;
    if (ParseVersionAfterMarker(upper.c_str(), "V ", &running, &runningHasThree) != 0 ||
        runningHasThree != 1 ||
        ParseVersionAfterMarker(upper.c_str(), "V.", &other, &otherHasThree) != 0 || otherHasThree != 1)
        return false;

    if (Contains(upper, "RTM")) {
        dialog.firmwareVersion3 = running;
        dialog.loaderVersion3 = other;
        dialog.deviceInDfuMode = 0;
    } else if (Contains(upper, "DFU")) {
        dialog.loaderVersion3 = running;
        dialog.firmwareVersion3 = other;
        dialog.deviceInDfuMode = 1;
    } else {
        dialog.deviceInDfuMode = 0;
        return false;
    }

    const uint32_t firmware = dialog.firmwareVersion3;
    const uint32_t loader = dialog.loaderVersion3;
    dialog.firmwareVersionText = FormatVersion3(firmware);
    dialog.loaderVersionText = FormatVersion3(loader);
    dialog.window.SetControlText(CTVXUpgradeDlg::versionBeforeText,
                                 Format("V %d.%d.%d", Major(firmware), Minor(firmware), Patch(firmware)) +
                                     " + " +
                                     Format("Loader V %d.%d.%d", Major(loader), Minor(loader), Patch(loader)));
    return true;
}

// Versions asked from the terminal as BCD values. False when the terminal
// does not answer or its firmware version is not BCD.
bool ReadBcdVersions(CTVXUpgradeDlg &dialog)
{
    dialog.deviceInDfuMode = 0;
    dialog.threePartVersion = 0;
    uint32_t firmware = 0;
    uint32_t loader = 0;
    const uint32_t result =
        GetwBCDDeviceFWVersion(dialog.selectedDeviceId, 16, &firmware, &loader, &dialog.deviceType,
                               &dialog.deviceExtraValue, dialog.deviceIdentText);
    dialog.firmwareVersionBefore = static_cast<uint16_t>(firmware);
    dialog.loaderVersionBefore = static_cast<uint16_t>(loader);
    dialog.secondVendorDevice = ContainsSecondVendorWord(dialog.deviceIdentText);
    if (result != 0)
        return false;

    dialog.ShowDeviceVersion(CTVXUpgradeDlg::versionBeforeText);
    if (!IsValidBcdVersion(dialog.firmwareVersionBefore))
        return false;
    if (!IsValidBcdVersion(dialog.loaderVersionBefore))
        dialog.loaderVersionBefore = 0;

    if (dialog.batchCount > 0)
        WritePartLabels(dialog, dialog.NextPartNumber());
    return true;
}

} // namespace

void CTVXUpgradeDlg::OnDeviceSelectionChanged(int, unsigned, unsigned newState)
{
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

    selectedDeviceNumber = row + 1;
    StoreDeviceId(selectedDeviceId, window.ListItemText(deviceList, row, 2));
    selectedProductInfo = window.ListItemText(deviceList, row, 1);
    window.SetControlText(productInfoText, selectedProductInfo);
    window.SetControlText(deviceIdText, window.ListItemText(deviceList, row, 2));
    window.EnableControl(nextButton, true);
    window.ShowControl(hintText, true);

    // The selection and Next stay as they are: the user may still go on.
    const std::string upper = UpperCaseCopy(selectedProductInfo);
    const bool understood =
        Contains(upper, "V ") ? ReadThreePartVersions(*this, upper) : ReadBcdVersions(*this);
    if (!understood)
        localMessageBox(159, tvx::MB_ICONERROR);
}
