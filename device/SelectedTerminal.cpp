// The selected terminal as the run meets it again: its answer to the version
// query and its row in the device list.
#include "wizard/CTVXUpgradeDlg.h"

#include "device/ProductTextMarkers.h"

uint32_t CTVXUpgradeDlg::AskSelectedTerminal(uint32_t *firmware, uint32_t *loader, uint32_t *type)
{
    // Changes: terminal.
    const uint32_t result = GetwBCDDeviceFWVersion(terminal.selectedDeviceId, 16, firmware, loader, type,
                                                   &terminal.deviceExtraValue, terminal.deviceIdentText);
    // The library fills the whole buffer when the text is long.
    terminal.deviceIdentText[sizeof terminal.deviceIdentText - 1] = '\0';
    return result;
}

int CTVXUpgradeDlg::SelectedTerminalRow()
{
    // The ID keeps changing letter case as the run compares it.
    const std::string id = UpperCaseCopy(terminal.selectedDeviceId);
    for (int row = 0; row < window.ListRowCount(deviceList); ++row)
        if (UpperCaseCopy(window.ListItemText(deviceList, row, 2).substr(0, 16)).find(id) !=
            std::string::npos)
            return row;
    return -1;
}
