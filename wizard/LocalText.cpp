// Localised texts: string-table entries addressed by their English id plus
// the language offset, and literals chosen by the language rule at display.
#include "wizard/CTVXUpgradeDlg.h"

#include "platform/Language.h"
#include "res/Resources.h"

int CTVXUpgradeDlg::ComputeLanguageOffset()
{
    switch (tvx::PrimaryLanguage(tvx::GetSystemDefaultLangID())) {
    case tvx::LANG_GERMAN:
        return 98;
    case tvx::LANG_FRENCH:
        return 196;
    default:
        return 0;
    }
}

const char *CTVXUpgradeDlg::ByLanguage(const char *english, const char *german, const char *french)
{
    switch (ComputeLanguageOffset()) {
    case 98:
        return german;
    case 196:
        return french;
    default:
        return english;
    }
}

std::string CTVXUpgradeDlg::localText(unsigned englishId) const
{
    const char *text = tvx::ResourceString(englishId + static_cast<unsigned>(languageOffset));
    return text ? text : "";
}

void CTVXUpgradeDlg::localMessageBox(unsigned englishId, unsigned type)
{
    window.MessageBox(localText(englishId), kApplicationName, type);
}
