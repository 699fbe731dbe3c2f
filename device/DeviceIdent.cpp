// The terminal type the identification text overrides.
#include "CTVXUpgradeDlg.h"
#include "Versions.h"

void CTVXUpgradeDlg::ApplyIdentTextModelRule()
{
    // Changes: terminal.
    if (IdentTextNamesModel460(terminal.deviceIdentText))
        terminal.deviceType = 460;
}
