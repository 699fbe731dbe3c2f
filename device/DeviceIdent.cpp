// The terminal type the identification text overrides.
#include "versions/Versions.h"
#include "wizard/CTVXUpgradeDlg.h"

void CTVXUpgradeDlg::ApplyIdentTextModelRule()
{
    // Changes: terminal.
    if (IdentTextNamesModel460(terminal.deviceIdentText))
        terminal.deviceType = 460;
}
